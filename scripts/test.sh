#!/usr/bin/env bash
# Runs every test of Velmora: the core natively (plain and under the
# sanitizers), the fuzz targets for a bounded time, and the Windows control
# under wine in both bitnesses. Installs what it needs first.
# VELMORA_SKIP_WIN32=1 runs the native stages only.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${VELMORA_BUILD:-$root/build}
jobs=$(nproc)
fuzz_seconds=${VELMORA_FUZZ_SECONDS:-30}

bash "$root/scripts/setup.sh"

echo "== core (release)"
cmake -S "$root" -B "$out/native" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$out/native" -j "$jobs"
ctest --test-dir "$out/native" --output-on-failure -j "$jobs"

echo "== core (address and undefined-behaviour sanitizers)"
cmake -S "$root" -B "$out/sanitize" -DCMAKE_BUILD_TYPE=Debug -DVELMORA_SANITIZE=ON >/dev/null
cmake --build "$out/sanitize" -j "$jobs"
ctest --test-dir "$out/sanitize" --output-on-failure -j "$jobs"

echo "== fuzz targets (${fuzz_seconds}s each)"
CC=clang CXX=clang++ cmake -S "$root" -B "$out/fuzz" -DCMAKE_BUILD_TYPE=Debug \
  -DVELMORA_SANITIZE=ON -DVELMORA_FUZZ=ON -DVELMORA_BENCHMARKS=OFF >/dev/null
cmake --build "$out/fuzz" -j "$jobs"
for target in "$out"/fuzz/fuzz/*_fuzz; do
  [ -x "$target" ] || continue
  echo "-- $(basename "$target")"
  mkdir -p "$out/fuzz/corpus/$(basename "$target")"
  "$target" -max_total_time="$fuzz_seconds" -max_len=4096 -print_final_stats=1 \
    "$out/fuzz/corpus/$(basename "$target")" 2>&1 | tail -n 4
done

if [ -f "$root/scripts/test-win32.sh" ] && [ "${VELMORA_SKIP_WIN32:-0}" != 1 ]; then
  echo "== Windows control under wine"
  bash "$root/scripts/test-win32.sh"
fi
echo "== all tests passed"
