# Dirhop for bash and zsh: source this file (". /path/to/dirhop.bash"), or put
#   command -v dirhop >/dev/null && eval "$(dirhop --init bash)"    in ~/.bashrc
#   command -v dirhop >/dev/null && eval "$(dirhop --init zsh)"     in ~/.zshrc
# to get the command `c`.
#
# A program cannot change the directory of the shell that started it. `c` runs dirhop with
# DIRHOP_HANDOFF naming this session's private hand-off file; dirhop writes one line there,
# "# rem" (stay) or cd -- '<directory>' (with every ' written as '\''), and `c` then changes this
# shell's directory.
#
# The hand-off file is made at the session's first `c`, in $XDG_RUNTIME_DIR when that is a
# directory, else in ${TMPDIR:-/tmp} with mode 0600; it is created exclusively (never an existing
# file or a link) and removed when the shell exits. A jump starts one process: dirhop itself. A
# shell that never runs `c` makes no file and starts nothing at its exit, and loading this file
# starts no process.
#
# Wildcards reach dirhop as typed: in zsh `c` is an alias for `noglob c`; in bash the alias turns
# globbing off before the words are expanded and `c` restores the user's own setting at once.
# (Aliases act only where a command starts: after `!`, or in scripts without
# `shopt -s expand_aliases`, bash expands an unquoted wildcard before c sees it: quote it there.)
#
# The program is $DIRHOP_PROGRAM when set, else `dirhop` on PATH, else the dirhop installed beside
# this file (<prefix>/bin/dirhop for <prefix>/share/dirhop/dirhop.bash).
#
# Written for users' own shell settings: no word splitting or globbing of names (zsh and bash),
# nothing unset is read (set -u), a failing dirhop ends no script that uses set -e, bash's POSIX
# mode, zsh's WARN_CREATE_GLOBAL and WARN_NESTED_VAR (globals are made here, at the top level, and
# functions that set them say so), and `c` returns dirhop's exit code. Tab completion offers the options, alias names and the directories
# that dirhop's own search finds for a partly typed (even misspelt) path.

# An alias named c would shadow the function (and, in bash, rename its definition).
unalias c 2>/dev/null || true

#@ part locate (left out by dirhop --init, whose caller runs the program it found)
if [ -z "${DIRHOP_PROGRAM-}" ] && ! command -v dirhop >/dev/null 2>&1; then
  if [ -n "${BASH_SOURCE-}" ]; then
    _dirhop_here=${BASH_SOURCE[0]}
  elif [ -n "${ZSH_VERSION-}" ]; then
    # zsh: %x is the file being sourced.
    _dirhop_here=${(%):-%x}
  else
    _dirhop_here=
  fi
  case $_dirhop_here in
    */*) _dirhop_here=${_dirhop_here%/*} ;;
    *) _dirhop_here=. ;;
  esac
  # Absolute, so that `c` still finds it after changing directory.
  case $_dirhop_here in
    /*) ;;
    *) _dirhop_here=$PWD/$_dirhop_here ;;
  esac
  if [ -x "$_dirhop_here/../../bin/dirhop" ]; then
    DIRHOP_PROGRAM=$_dirhop_here/../../bin/dirhop
  fi
  unset _dirhop_here
fi


#@ part core
# The globals the functions set, made here so that none is created inside a function.
_dirhop_current_pid= _dirhop_glob_was_on= _dirhop_user_exit_trap= _dirhop_seen=
_dirhop_plain=${_dirhop_plain-} _dirhop_env=()
_dirhop_file= _dirhop_tmp= _dirhop_rc= _dirhop_line= _dirhop_dir=
_dirhop_handoff=${_dirhop_handoff-} _dirhop_owner=${_dirhop_owner-}
_dirhop_exit_hooked=${_dirhop_exit_hooked-}
_dirhop_records=${_dirhop_records-} _dirhop_recorded_pwd=${_dirhop_recorded_pwd-}
# Not empty in a shell run with -c, whose session file goes after each run (see c).
_dirhop_one_shot=${BASH_EXECUTION_STRING-}${ZSH_EXECUTION_STRING-}

#@ part jump (dirhop --init prints a loader in its place: shell/loader.bash)
# Sets _dirhop_current_pid to this process's pid: a subshell has another one than the shell that
# owns the session's hand-off file. zsh gives it in sysparams (its $$ is the shell's in a
# subshell too), once zsh/system is loaded: by the first `c` or completion, not when this file
# loads.
_dirhop_pid() {
  if [[ -n ${ZSH_VERSION-} ]]; then
    setopt localoptions nowarncreateglobal nowarnnestedvar
    [[ -n ${sysparams+x} ]] || zmodload zsh/system 2>/dev/null
  fi
  _dirhop_current_pid=${BASHPID-${sysparams[pid]-$$}}
}

# Creates the file named $1 exclusively, empty; fails when anything at all is there already.
# In a directory of the user's own (the runtime directory) no process is started; elsewhere a
# subshell sets umask 077 for it.
_dirhop_create() {
  if [ "${2-}" = private ]; then
    if [ -n "${ZSH_VERSION-}" ]; then
      setopt localoptions noclobber
    else
      local -
      set -C
    fi
    : >"$1" || return 1
  else
    (umask 077 && set -C && : >"$1") || return 1
  fi
  # zsh's noclobber opens an existing device or fifo: accept only the plain file just made.
  [ -f "$1" ] && [ ! -L "$1" ] && [ -O "$1" ]
} 2>/dev/null

# Makes this session's hand-off file and records it in _dirhop_handoff (empty on failure); the
# first time in this shell, arranges for the file to go when the shell exits.
_dirhop_make_handoff() {
  [[ -z ${ZSH_VERSION-} ]] || setopt localoptions nowarncreateglobal nowarnnestedvar
  local dir kind n name
  if [ -n "${XDG_RUNTIME_DIR-}" ] && [ -d "$XDG_RUNTIME_DIR" ] && [ -O "$XDG_RUNTIME_DIR" ] &&
     [ -w "$XDG_RUNTIME_DIR" ]; then
    dir=$XDG_RUNTIME_DIR kind=private
  else
    dir=${TMPDIR:-/tmp} kind=shared
  fi
  dir=${dir%/}
  _dirhop_pid
  _dirhop_handoff=
  for n in 1 2 3 4 5 6 7 8; do
    name=$dir/dirhop.$_dirhop_current_pid.$RANDOM$RANDOM.sh
    if _dirhop_create "$name" "$kind"; then
      _dirhop_handoff=$name _dirhop_owner=$_dirhop_current_pid
      [[ $_dirhop_exit_hooked == "$_dirhop_owner" ]] || _dirhop_hook_exit
      return 0
    fi
  done
}

# Removes the session's hand-off file when the shell exits.
_dirhop_hook_exit() {
  [[ -z ${ZSH_VERSION-} ]] || setopt localoptions nowarncreateglobal nowarnnestedvar
  _dirhop_exit_hooked=$_dirhop_owner
  if [[ -n ${ZSH_VERSION-} ]]; then
    # zsh runs these hooks when the shell exits, never in subshells; a trap set here would
    # belong to the function.
    typeset -ga zshexit_functions
    zshexit_functions+=(_dirhop_remove_handoff)
  else
    # Chains to the EXIT trap already set, which runs after the file is removed. In POSIX mode
    # `trap -p` shows an unset trap as "-".
    _dirhop_user_exit_trap=$(trap -p EXIT)
    eval "_dirhop_take_trap ${_dirhop_user_exit_trap#trap }"
    [[ $_dirhop_user_exit_trap != - ]] || _dirhop_user_exit_trap=
    trap _dirhop_exit_trap EXIT
  fi
}

# Keeps the action of the `trap -p` line whose words it is given.
_dirhop_take_trap() { _dirhop_user_exit_trap=${2-}; }

# The EXIT trap (bash): removes the session's file, then runs the user's own EXIT trap.
_dirhop_exit_trap() {
  _dirhop_remove_handoff
  eval "$_dirhop_user_exit_trap"
}

# Removes the session's hand-off file; run when the shell exits.
_dirhop_remove_handoff() {
  [[ -z ${ZSH_VERSION-} ]] || setopt localoptions nowarncreateglobal nowarnnestedvar
  _dirhop_pid
  if [[ -n $_dirhop_handoff && $_dirhop_current_pid == "$_dirhop_owner" ]]; then
    # zsh removes it with its own builtin; bash has none.
    if [[ -n ${ZSH_VERSION-} ]] && zmodload -F zsh/files b:zf_rm 2>/dev/null; then
      zf_rm -f -- "$_dirhop_handoff"
    else
      command rm -f -- "$_dirhop_handoff"
    fi
    _dirhop_handoff=
  fi
}

# bash copies a function's whole body at every call, so c holds only what a jump runs: the
# first run's file, a subshell's and the removal after the run are in the functions below it.
function c {
  # Globbing was turned off by the alias for c's own words only: the user's setting returns now.
  [[ -z ${_dirhop_glob_was_on-} ]] || set +f
  # The assignments typed before c, which the alias gave to _dirhop_noglob (bash): when what that
  # command saw is neither nothing (no alias) nor what the last plain c saw, the variables whose
  # values differ from c's own.
  case $_dirhop_seen in
    "$_dirhop_plain" | "") ;;
    *)
      _dirhop_assigned
      [[ -z ${_dirhop_env[*]-} ]] || local -x "${_dirhop_env[@]}"
      ;;
  esac
  # Globals made at the top, in one statement: a local costs more to make and to drop.
  _dirhop_glob_was_on= _dirhop_seen= _dirhop_file= _dirhop_tmp= _dirhop_line=
  # The session's file when this process owns it and it is still there (_dirhop_pid's
  # expression, written out); else the file is made or taken now.
  if [[ ${BASHPID-${sysparams[pid]-$$}} == "${_dirhop_owner-}" && -n ${_dirhop_handoff-} &&
        -f $_dirhop_handoff && ! -L $_dirhop_handoff ]]; then
    _dirhop_file=$_dirhop_handoff
  else
    _dirhop_take_file || return 1
  fi
  # >| empties the file even under the user's noclobber; a run that writes no hand-off (a query,
  # a failure) then leaves nothing to replay.
  : >|"$_dirhop_file" || return 1
  # In an && || list a failure does not trigger set -e. DIRHOP_SHELL_RECORDS is empty, which
  # dirhop reads as unset, unless --remember-cd records the shell's own changes.
  DIRHOP_SHELL_RECORDS=$_dirhop_records DIRHOP_HANDOFF=$_dirhop_file \
    command "${DIRHOP_PROGRAM:-dirhop}" ${1+"$@"} && _dirhop_rc=0 || _dirhop_rc=$?
  # The whole file, line feeds in names included; read is a builtin, so no process starts. With
  # no NUL to end at, read always fails at the end of the file: as a condition it needs no
  # `|| true` for set -e, and the branch is never taken.
  if [[ $_dirhop_rc == 0 ]] && IFS= read -r -d '' _dirhop_line <"$_dirhop_file"; then :; fi
  # A subshell's own file goes now. So does the session's in a shell run with -c (as editors run
  # `zsh -i -l -c env`), which ends by executing its last command in its own place, and when
  # errexit is about to end the shell (zsh then runs no exit hook): the next c makes another.
  if [[ -n $_dirhop_tmp$_dirhop_one_shot || $_dirhop_rc != 0 && -o errexit ]]; then
    _dirhop_drop_file
  fi
  # The quoted part is the program's own sh quoting, every ' written as '\'': undone by
  # expansions (no eval), then the builtin changes directory, whatever cd is aliased or redefined
  # to. dirhop has recorded the visit: the hook of --remember-cd (zsh's runs inside cd) is not to
  # record it again.
  case $_dirhop_line in
    "cd -- '"*"'\\''"*"'"$'\n')
      _dirhop_line=${_dirhop_line//"'\\''"/"'"}
      ;&
    "cd -- '"*"'"$'\n')
      _dirhop_dir=${_dirhop_line:7:${#_dirhop_line}-9} _dirhop_recorded_pwd=$_dirhop_dir
      builtin cd -- "$_dirhop_dir" || return 1
      _dirhop_recorded_pwd=$PWD
      ;;
  esac
  # A jump's last command succeeded: only another status needs the builtin.
  [[ $_dirhop_rc == 0 ]] || return "$_dirhop_rc"
}

# zsh: c sets its options for itself and loads zsh/system for the pid, which bash's c has no
# test to pay for.
if [[ -n ${ZSH_VERSION-} ]]; then
  functions[c]="setopt localoptions nowarncreateglobal nowarnnestedvar
[[ -n \${sysparams+x} ]] || zmodload zsh/system 2>/dev/null
${functions[c]}"
fi

# Sets _dirhop_file (and _dirhop_tmp) to the file for this run: the session's, made again if it
# went (a cleaner, or zsh's errexit), or, in a subshell, a file of its own for this one run.
_dirhop_take_file() {
  [[ -z ${ZSH_VERSION-} ]] || setopt localoptions nowarncreateglobal nowarnnestedvar
  _dirhop_pid
  if [[ $_dirhop_current_pid == "${_dirhop_owner-}" ]]; then
    _dirhop_make_handoff
    _dirhop_file=$_dirhop_handoff
  fi
  if [[ -z $_dirhop_file ]]; then
    _dirhop_tmp=$(command mktemp "${TMPDIR:-/tmp}/dirhop.XXXXXXXX") || return 1
    _dirhop_file=$_dirhop_tmp
  fi
}

# Removes the file this run used: a subshell's own, else the session's.
_dirhop_drop_file() {
  [[ -z ${ZSH_VERSION-} ]] || setopt localoptions nowarncreateglobal nowarnnestedvar
  if [[ -n $_dirhop_tmp ]]; then
    command rm -f -- "$_dirhop_tmp"
  else
    _dirhop_remove_handoff
  fi
}

# bash only (zsh has no assignments to find: its alias is `noglob c`).
if [ -z "${ZSH_VERSION-}" ]; then
  # Sets _dirhop_env to NAME=value for each variable whose value in _dirhop_seen differs from its
  # value now: one that was assigned before c. When none differs, _dirhop_seen is the plain view.
  _dirhop_assigned() {
    local IFS=$'\1' name value i=0
    local -a seen
    read -r -d '' -a seen <<<"$_dirhop_seen"$'\1' || true
    _dirhop_env=()
    for name in DIRHOP DIRHOP_PRIVATE DIRHOP_PROGRAM DIRHOP_EXCLUDE NO_COLOR HOME TMPDIR \
        XDG_CONFIG_HOME XDG_DATA_HOME XDG_RUNTIME_DIR TERM LANG LC_ALL LC_CTYPE; do
      value=${!name-}
      [[ ${seen[i]-} == "$value" ]] || _dirhop_env+=("$name=${seen[i]-}")
      i=$((i + 1))
    done
    [[ -n ${_dirhop_env[*]-} ]] || _dirhop_plain=$_dirhop_seen
  }
fi

#@ part core
if [ -n "${ZSH_VERSION-}" ]; then
  alias c='noglob c'
else
  # Records whether globbing is on and turns it off; always succeeds. `NAME=value c` gives the
  # assignment to the alias's first command, this one: the values of the variables dirhop reads
  # are kept as this command sees them, for c to compare with its own in one test. dirhop reads
  # an empty variable as an unset one, so an unset one is kept as empty.
  _dirhop_noglob() {
    case $- in
      *f*) _dirhop_glob_was_on= ;;
      *) _dirhop_glob_was_on=1; set -f ;;
    esac
    _dirhop_seen=${DIRHOP-}$'\1'${DIRHOP_PRIVATE-}$'\1'${DIRHOP_PROGRAM-}$'\1'${DIRHOP_EXCLUDE-}$'\1'${NO_COLOR-}$'\1'${HOME-}$'\1'${TMPDIR-}$'\1'${XDG_CONFIG_HOME-}$'\1'${XDG_DATA_HOME-}$'\1'${XDG_RUNTIME_DIR-}$'\1'${TERM-}$'\1'${LANG-}$'\1'${LC_ALL-}$'\1'${LC_CTYPE-}
  }
  alias c='_dirhop_noglob && c'
  # In a pipeline (`c --list x | less`) c runs in a subshell and puts globbing back there only:
  # the next prompt puts it back here. $? passes through for the user's own prompt commands.
  _dirhop_restore_glob() {
    local rc=$?
    if [[ -n ${_dirhop_glob_was_on-} ]]; then
      set +f
      _dirhop_glob_was_on=
    fi
    return "$rc"
  }
  case ";${PROMPT_COMMAND-};" in
    *";_dirhop_restore_glob;"*) ;;
    *) PROMPT_COMMAND="_dirhop_restore_glob${PROMPT_COMMAND:+;$PROMPT_COMMAND}" ;;
  esac
fi

#@ part remember-cd (printed by dirhop --init only with --remember-cd)
# With `dirhop --init bash --remember-cd` (or zsh) every change of directory the shell makes by
# other commands is recorded in dirhop's memory of places as well, as a jump records it: zsh runs
# the hook when the directory changes (chpwd), bash before each prompt, where it compares $PWD
# with the directory it recorded last and starts dirhop only when they differ. Without the option
# nothing runs at prompt time.
_dirhop_record_pwd() {
  local rc=$?
  if [[ $PWD != "$_dirhop_recorded_pwd" ]]; then
    [[ -z ${ZSH_VERSION-} ]] || setopt localoptions nowarncreateglobal nowarnnestedvar
    _dirhop_recorded_pwd=$PWD
    command "${DIRHOP_PROGRAM:-dirhop}" --record-visit "$PWD" </dev/null >/dev/null 2>&1
  fi
  return "$rc"
}

# Turns the hook on (what --remember-cd adds to the script).
_dirhop_remember_cd() {
  [[ -z ${ZSH_VERSION-} ]] || setopt localoptions nowarncreateglobal nowarnnestedvar
  _dirhop_records=1
  if [[ -n ${ZSH_VERSION-} ]]; then
    typeset -ga chpwd_functions
    [[ ${chpwd_functions[(Ie)_dirhop_record_pwd]} != 0 ]] ||
      chpwd_functions+=(_dirhop_record_pwd)
  else
    case ";${PROMPT_COMMAND-};" in
      *";_dirhop_record_pwd;"*) ;;
      *) PROMPT_COMMAND="_dirhop_record_pwd${PROMPT_COMMAND:+;$PROMPT_COMMAND}" ;;
    esac
  fi
}

#@ part core
# This shell owns the session: its first `c` makes the hand-off file. Loading the file again in
# the same shell keeps the file it has. (zsh's $$, as zsh/system may not be loaded yet: loaded in
# a subshell, the owner is then the parent, and c in the subshell takes a file of its own per run.)
_dirhop_current_pid=${BASHPID-$$}
if [ "$_dirhop_owner" != "$_dirhop_current_pid" ]; then
  _dirhop_owner=$_dirhop_current_pid _dirhop_handoff=
fi

#@ part completion (dirhop --init prints a loader in its place: shell/loader.bash)
# The options that Tab offers after `c -`.
_dirhop_options=('-?' -w -h -l -a -x -mail -brantel -home -manual --help --version --places
                 --forget --import)

# Sets the array _dirhop_found to the completions of word $1 (after `c -a` when $2 is "alias"):
# options, alias names, or the directories dirhop's search finds, relative to $PWD below it and
# ending in /; after a word that ends in /, the directories in the one it names. Changes nothing:
# the queries write no hand-off, history or store.
_dirhop_complete_word() {
  [[ -z ${ZSH_VERSION-} ]] || setopt localoptions nowarncreateglobal nowarnnestedvar
  local word=$1 option home= tilde=
  local -a query
  _dirhop_found=()
  # A leading ~ (the shell has not expanded the word being typed) is the home directory, for the
  # search and back again in what is offered.
  case $word in
    '~' | '~/'*) tilde='~' home=${HOME%/}; word=$home${word#\~} ;;
  esac
  if [[ ${2-} == alias ]]; then
    query=(--aliases)
  elif [[ $word == -* ]]; then
    for option in "${_dirhop_options[@]}"; do
      [[ $option != "$word"* ]] || _dirhop_found+=("$option")
    done
    return 0
  else
    case $word in
      '' | */) query=(--list "$word*") ;;
      *) query=(--list "$word") ;;
    esac
  fi
  if [[ -n ${ZSH_VERSION-} ]]; then
    _dirhop_found=("${(@f)$(command "${DIRHOP_PROGRAM:-dirhop}" "${query[@]}" 2>/dev/null \
                              </dev/null)}")
    # An empty output leaves one empty element.
    [[ ${#_dirhop_found[@]} != 1 || -n ${_dirhop_found[*]} ]] || _dirhop_found=()
  else
    # Split on line feeds only, with globbing off (local - restores it); mapfile would read a
    # pipe one byte at a time.
    local - IFS=$'\n'
    set -f
    _dirhop_found=($(command "${DIRHOP_PROGRAM:-dirhop}" "${query[@]}" 2>/dev/null </dev/null))
  fi
  if [[ ${query[*]} == --list* && ${#_dirhop_found[@]} != 0 ]]; then
    # Whole-array expansions: a big tree gives thousands of lines.
    if [[ -n $tilde ]]; then
      _dirhop_found=("${_dirhop_found[@]/#"$home"/$tilde}")
    elif [[ $PWD != / ]]; then
      _dirhop_found=("${_dirhop_found[@]#"$PWD"/}")
    fi
    _dirhop_found=("${_dirhop_found[@]/%//}")
    _dirhop_found=("${_dirhop_found[@]/#\/\//\/}")
  fi
}

if [ -n "${ZSH_VERSION-}" ]; then
  _dirhop_zsh_complete() {
    local -a _dirhop_found
    if [[ ${words[CURRENT-1]} == -a && $CURRENT == 3 ]]; then
      _dirhop_complete_word "$PREFIX$SUFFIX" alias
      compadd -U -- "${_dirhop_found[@]}"
    else
      _dirhop_complete_word "$PREFIX$SUFFIX"
      case $PREFIX in
        -*) compadd -- "${_dirhop_found[@]}" ;;
        *)
          # -U: a misspelt or abbreviated word is replaced by what the search found. A leading ~
          # goes in as the prefix, which compadd does not quote.
          case $PREFIX in
            '~' | '~/'*) compadd -U -S '' -P '~' -- "${_dirhop_found[@]#"~"}" ;;
            *) compadd -U -S '' -- "${_dirhop_found[@]}" ;;
          esac
          # Candidates that do not all begin with the word (pro/sr: projects/src, prototype/src;
          # a tie of typos) have a common start shorter than the word, or none: inserting it
          # would cut the word or delete it. A menu of the candidates is offered instead.
          if (( ${#_dirhop_found[@]} > 1 )) &&
             [[ ${compstate[unambiguous]} != "$PREFIX$SUFFIX"* ]]; then
            compstate[insert]=menu
          fi
          ;;
      esac
    fi
  }
  # whence is a builtin: looking at $functions would load zsh/parameter at every start.
  if whence compdef >/dev/null; then
    compdef _dirhop_zsh_complete c
  fi
elif [ -n "${BASH_VERSION-}" ]; then
  _dirhop_bash_complete() {
    local -a _dirhop_found
    local kind=
    if [[ $COMP_CWORD == 2 && ${COMP_WORDS[1]} == -a ]]; then
      kind=alias
    fi
    local word=${COMP_WORDS[COMP_CWORD]}
    _dirhop_complete_word "$word" "$kind"
    if [[ -n $kind || $word == -* ]]; then
      COMPREPLY=("${_dirhop_found[@]}")
    elif (( ${#_dirhop_found[@]} > 1 )) && _dirhop_some_not_begin "$word"; then
      # Readline would put the common start of the candidates in place of the word: for pro/sr
      # (projects/src, prototype/src) "pro". An empty candidate leaves no common start, so the
      # word stays as typed and the directories are listed in full.
      COMPREPLY=("" "${_dirhop_found[@]}")
      compopt +o filenames -o nospace 2>/dev/null
      return 0
    else
      # Without the slash: readline adds one to a directory, and shows the last level.
      COMPREPLY=("${_dirhop_found[@]%/}")
    fi
    # Directory names are quoted as the shell needs them, and no space follows a directory.
    compopt -o filenames -o nospace 2>/dev/null
  }

  # True when some entry of _dirhop_found does not begin with $1 (whole-array expansions: a big
  # tree gives thousands of candidates).
  _dirhop_some_not_begin() {
    local IFS=$'\2'
    local -a marked=("${_dirhop_found[@]/#"$1"/$'\1'}")
    local joined=$'\2'"${marked[*]}"
    [[ $joined == *$'\2'[!$'\1']* || $joined == *$'\2' ]]
  }
  complete -F _dirhop_bash_complete c
fi
