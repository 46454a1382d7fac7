#!/usr/bin/env bash
# Plays the same 100,000-key scripts through velmora-keys and through
# velmora-keys --plain (the bare model text box) several times each and
# prints the median times and their ratio: the cost of the control's
# procedures over the floor of the text box itself, process start included.
#
# usage: benchmarks/keys_ratio.sh [path/to/velmora-keys] [runs]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
player=${1:-/tmp/build-control-rel/tools/velmora-keys/velmora-keys}
runs=${2:-7}
[ -x "$player" ] || { echo "keys_ratio: no player at $player" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# 10 keys a block, 10,000 blocks.
repeat() {  # repeat <block> <times> > file
  local block=$1 times=$2 i
  for ((i = 0; i < times; ++i)); do printf '%s\n' "$block"; done
}
repeat '{HOME}1412196{BS}7' 10000 > "$work/date.keys"
repeat '{END}12345{BS}{BS}{LEFT}9' 10000 > "$work/number.keys"

median_ms() {  # median_ms <args...>: median wall time of $runs runs, in ms
  local times=() start end
  for ((r = 0; r < runs; ++r)); do
    start=$(date +%s%N)
    "$player" "$@" > /dev/null
    end=$(date +%s%N)
    times+=($(((end - start) / 1000000)))
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p"
}

printf '%-8s %12s %12s %8s\n' mode control_ms plain_ms ratio
for mode in date number; do
  extra=()
  [ "$mode" = number ] && extra=(--number --maxlength 20)
  control=$(median_ms "${extra[@]}" --today 2024-05-01 --keys-file "$work/$mode.keys")
  plain=$(median_ms --plain "${extra[@]}" --keys-file "$work/$mode.keys")
  ratio=$(awk -v c="$control" -v p="$plain" 'BEGIN { printf "%.2f", (p > 0 ? c / p : 0) }')
  printf '%-8s %12s %12s %8s\n' "$mode" "$control" "$plain" "$ratio"
done
