#!/usr/bin/env bash
# The benchmarks: every figure is a ratio of our cost to the floor it
# cannot beat, both measured in this run, each the median of several
# repetitions.
#   1. keystrokes into the real control on a form against the same keys
#      into a bare EDIT (Windows, under wine), target <= 1.1;
#   2. a form of 200 controls created, loaded from property bags and
#      activated, against 200 bare EDITs (Windows, under wine), target <= 2;
#   3. the core alone: velmora-keys over 100,000-key scripts against
#      velmora-keys --plain, target <= 3;
#   4. the number rebuild (FormattaNumero) against a plain copy of the text.
#
#   scripts/bench.sh            VELMORA_BENCH_REPS (default 5) repetitions;
#                               VELMORA_BUILD the build folder (default build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${VELMORA_BUILD:-$root/build}
reps=${VELMORA_BENCH_REPS:-5}

die() { echo "bench.sh: $*" >&2; exit 1; }
bash "$root/scripts/setup.sh" || die "the tools the benchmarks need are missing (see above)"
mkdir -p "$out"

# The Windows figures come from the 32-bit build, or from the 64-bit one
# where this machine runs no 32-bit programs.
source "$root/scripts/wine-env.sh"
velmora_wine_env "$out/wine64-launcher"
arch=$([ "$VELMORA_RUNS_32" = 1 ] && echo i686 || echo x86_64)

echo "-- building (native Release and $arch Windows)" >&2
cmake -S "$root" -B "$out/bench-native" -DCMAKE_BUILD_TYPE=Release >"$out/bench-build.log" 2>&1 &&
  cmake --build "$out/bench-native" -j "$(nproc)" --target velmora-keys velmora_bench >>"$out/bench-build.log" 2>&1 ||
  die "the native build failed; see $out/bench-build.log"
cmake -S "$root" -B "$out/win32-$arch" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch-w64-mingw32.cmake" \
  -DCMAKE_BUILD_TYPE=MinSizeRel >>"$out/bench-build.log" 2>&1 &&
  cmake --build "$out/win32-$arch" -j "$(nproc)" --target Velmora velmora-bench-w32 >>"$out/bench-build.log" 2>&1 ||
  die "the Windows build failed; see $out/bench-build.log"

echo
echo "== the core alone: velmora-keys against velmora-keys --plain, 100,000 keys (target <= 3)"
bash "$root/benchmarks/keys_ratio.sh" "$out/bench-native/tools/velmora-keys/velmora-keys" "$reps"

echo
echo "== the number rebuild: FormattaNumero against a plain copy of the same text"
"$out/bench-native/benchmarks/velmora_bench" --benchmark_filter='BM_CopyFloor/|BM_FormattaNumero/' \
  --benchmark_repetitions="$reps" --benchmark_report_aggregates_only=true --benchmark_format=json \
  2>/dev/null | python3 -c '
import json, sys
runs = json.load(sys.stdin)["benchmarks"]
median = {r["run_name"]: r["real_time"] for r in runs if r.get("aggregate_name") == "median"}
print("%8s %14s %14s %8s" % ("digits", "rebuild_ns", "copy_ns", "ratio"))
for name, t in median.items():
    if name.startswith("BM_FormattaNumero/"):
        n = name.split("/")[1]
        copy = median.get("BM_CopyFloor/" + n)
        if copy:
            print("%8s %14.1f %14.1f %8.1f" % (n, t, copy, t / copy))
'

echo
echo "== the real control on a form, under wine ($arch): keystrokes and form load"
export WINEPREFIX=$out/bench/wineprefix WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# The Italian locale is given to wine alone (bash would warn that the
# host has no such glibc locale).
mkdir -p "$out/bench"
export VELMORA_BIN=$out/win32-$arch/bin VELMORA_REPS=$reps
xvfb-run -a -s '-screen 0 1024x768x24' bash -c '
  set -u
  [ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1
  wine regsvr32 /s "$(winepath -w "$VELMORA_BIN/Velmora.ocx")" || { echo "bench.sh: regsvr32 failed" >&2; exit 1; }
  env LC_ALL=it_IT.UTF-8 wine "$VELMORA_BIN/velmora-bench-w32.exe" --reps "$VELMORA_REPS" | tr -d "\r"
  rc=${PIPESTATUS[0]}
  wineserver -w
  exit $rc
' || die "the Windows benchmark did not run to the end"
