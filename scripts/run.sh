#!/usr/bin/env bash
# The main job: builds the core and the key-script player, and plays the
# demonstration script into a new control, printing what the field shows
# and which events fired after each line of the script.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${VELMORA_BUILD:-$root/build}

bash "$root/scripts/setup.sh" native
cmake -S "$root" -B "$out/native" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$out/native" -j "$(nproc)" --target velmora-keys >/dev/null

keys="$out/native/tools/velmora-keys/velmora-keys"
play() {
  echo "\$ velmora-keys $*"
  "$keys" --today 2026-12-08 "$@"
  echo
}
# A date typed over the mask and confirmed with Enter; then wiped and an
# impossible date left with Escape (see the demonstration script).
play --keys-file "$root/tools/velmora-keys/demo.keys"
# A whole number rebuilt as it is typed, then signed (the text turns red).
play --number --keys "14121967-"
# Decimals after the comma, and a refused second comma.
play --number --virgola --maxlength 12 --keys "1234,56,"
# A short date (day/month) completed with the present year when left.
play --maxlength 5 --keys "2902{TAB}"
