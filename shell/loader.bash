# What `dirhop --init bash` (or zsh) prints in place of dirhop.bash's jump and completion parts:
# `c` and Tab after it are there at once as stubs, and the functions themselves come from the
# program (`dirhop --init bash --jump`, `... --completion`) at the first `c` and the first Tab, so
# that a shell's start parses a third of the file. Not installed: the program builds it in.

# Loads the part --$2 of the integration from the program; true when it defined the function $1
# (a function only that part defines). On failure the stubs stay, so nothing calls itself.
_dirhop_load() {
  [[ -z ${ZSH_VERSION-} ]] || setopt localoptions nowarncreateglobal nowarnnestedvar
  eval "$(command "${DIRHOP_PROGRAM:-dirhop}" --init "${ZSH_VERSION:+zsh}${BASH_VERSION:+bash}" \
            "--$2" 2>/dev/null </dev/null)"
  typeset -f "$1" >/dev/null || {
    printf 'Dirhop: %s gave no %s\n' "${DIRHOP_PROGRAM:-dirhop}" "$1" >&2
    return 1
  }
}

function c {
  _dirhop_load _dirhop_make_handoff jump && \c ${1+"$@"}
}

if [ -n "${ZSH_VERSION-}" ]; then
  _dirhop_zsh_complete() {
    _dirhop_load _dirhop_complete_word completion 2>/dev/null && _dirhop_zsh_complete "$@"
  }
  if whence compdef >/dev/null; then
    compdef _dirhop_zsh_complete c
  fi
elif [ -n "${BASH_VERSION-}" ]; then
  _dirhop_bash_complete() {
    _dirhop_load _dirhop_complete_word completion 2>/dev/null && _dirhop_bash_complete "$@"
  }
  complete -F _dirhop_bash_complete c
fi
