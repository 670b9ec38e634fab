#!/bin/sh
# The instructions the shell itself executes for one jump through `c` (dirhop's own process not
# counted): callgrind on a script that loads the integration and jumps 1 + N times, minus the same
# with 1 + 1 jumps, divided by N - 1; the first jump (which makes the session's file) is in both.
# Usage: bench/shell_instructions.sh PROGRAM [bash|zsh|fish] [INTEGRATION-FILE] [N]
set -eu
program=$(realpath "$1")
shell=${2:-bash}
here=$(cd "$(dirname "$0")/.." && pwd)
case $shell in
  fish) file=${3:-$here/shell/dirhop.fish} ;;
  *) file=${3:-$here/shell/dirhop.bash} ;;
esac
file=$(realpath "$file")
n=${4:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home/Documents" "$work/home/Music"
count() {
  {
    case $shell in
      bash) echo 'shopt -s expand_aliases' ;;
    esac
    echo ". '$file'"
    i=0
    # Every run enters a directory: Documents, then Music and Documents in turn.
    echo 'c Documents'
    while [ "$i" -lt "$(($1 - 1))" ]; do
      if [ $((i % 2)) -eq 0 ]; then echo 'c ../Music'; else echo 'c ../Documents'; fi
      i=$((i + 1))
    done
  } >"$work/script"
  # The shell's own process is the last to report; its children (forks before exec) come first.
  (cd "$work/home" && HOME=$work/home DIRHOP=$work/store DIRHOP_PROGRAM=$program \
    XDG_RUNTIME_DIR= valgrind --tool=callgrind --trace-children=no \
    --callgrind-out-file=/dev/null "$shell" "$work/script" 2>&1) |
    sed -n 's/.*Collected : \([0-9]*\).*/\1/p' | tail -n 1
}
two=$(count 2)
more=$(count $((n + 1)))
echo "$shell: $(( (more - two) / (n - 1) )) instructions a jump ($file)"
