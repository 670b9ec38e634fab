# Dirhop for bash and zsh: source this file (". /path/to/dirhop.bash") to get the command `c`.
#
# A program cannot change the directory of the shell that started it. `c` runs dirhop with
# DIRHOP_HANDOFF naming a private temporary file; dirhop writes one line there, "# rem" (stay) or
# cd -- '<directory>' (with every ' written as '\''), and `c` then changes this shell's directory.
#
# The program is $DIRHOP_PROGRAM when set, else `dirhop` on PATH, else the dirhop installed beside
# this file (<prefix>/bin/dirhop for <prefix>/share/dirhop/dirhop.bash).
#
# Written for users' own shell settings: no word splitting or globbing of names (zsh and bash),
# nothing unset is read (set -u), a failing dirhop ends no script that uses set -e before the
# temporary file is removed, and `c` returns dirhop's exit code.

# An alias named c would shadow the function (and, in bash, rename its definition).
unalias c 2>/dev/null || true

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

function c {
  local _dirhop_file _dirhop_rc _dirhop_line _dirhop_dir
  # Not "status": that name is read-only in zsh.
  _dirhop_file=$(mktemp "${TMPDIR:-/tmp}/dirhop.XXXXXXXX") || return 1
  # In an && || list a failure does not trigger set -e, so the file is always removed.
  DIRHOP_HANDOFF=$_dirhop_file command "${DIRHOP_PROGRAM:-dirhop}" ${1+"$@"} &&
    _dirhop_rc=0 || _dirhop_rc=$?
  # $(<file) drops the final line feed only; a line feed inside the quotes stays.
  _dirhop_line=$(<"$_dirhop_file")
  rm -f -- "$_dirhop_file"
  case $_dirhop_line in
    "cd -- '"*"'")
      # The quoted part is the program's own sh quoting: evaluate it as an assignment only,
      # then change directory with the builtin, whatever cd is aliased or redefined to.
      eval "_dirhop_dir=${_dirhop_line#cd -- }" || return 1
      builtin cd -- "$_dirhop_dir" || return 1
      ;;
  esac
  return "$_dirhop_rc"
}
