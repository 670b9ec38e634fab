#!/usr/bin/env bash
# The cost of the --remember-cd prompt hook beside zoxide's, in bash: N prompts in one directory
# (nothing to record), then N prompts each after a cd (one record each), timed inside bash
# ($EPOCHREALTIME, bash 5) so that the shell's start is not counted; the two hooks
# interleaved in rounds. Each memory starts with the places of bench_places.py's work dir (run
# that first), so both record into a memory of 10,000 places.
#   bench/bench_hooks.sh build/native/dirhop [work-dir] [N]
set -euo pipefail
program=$(realpath "$1")
work=${2:-/tmp/mem-bench}
n=${3:-200}
export DIRHOP=$work/dirhop.dat _ZO_DATA_DIR=$work/zoxide
mkdir -p "$work/hooks/a" "$work/hooks/b"
cp "$work/dirhop.dat.places" "$work/places.saved"
run() {  # hook-kind moves
  bash --norc --noprofile -c '
    if [ "$1" = dirhop ]; then
      DIRHOP_PROGRAM=$3 eval "$("$3" --init bash --remember-cd)"; hook=_dirhop_record_pwd
    else
      eval "$(zoxide init bash)"; hook=_zoxide_hook
    fi
    cd "$4/hooks/a"; $hook; $hook
    start=${EPOCHREALTIME/./}
    for ((i = 0; i < $5; i++)); do
      if [ "$2" = move ]; then
        if ((i % 2)); then cd "$4/hooks/a"; else cd "$4/hooks/b"; fi
      fi
      $hook
    done
    echo $(( (${EPOCHREALTIME/./} - start) / $5 ))' _ "$@"
}
for round in 1 2 3; do
  for kind in dirhop zoxide; do
    for moves in stay move; do
      echo "$round $kind $moves $(run "$kind" "$moves" "$program" "$work" "$n") us/prompt"
    done
  done
done
cp "$work/places.saved" "$work/dirhop.dat.places"
