#!/usr/bin/env bash
# A day at the form, long: the soak of the Windows tests (Soak.ADayAtTheForm
# in win32_tests) with 200,000 keys, clicks and menu commands into a form of
# Velmora fields, reloaded every 1,000, under wine's heap checking, in both
# bitnesses. Prints each run's figures: time per action, and GDI objects,
# USER objects, handles and private bytes after the warm-up and at the end.
#
#   scripts/soak.sh            VELMORA_SOAK_ACTIONS (default 200000) actions;
#                              VELMORA_WIN32_ARCHS (default "i686 x86_64");
#                              VELMORA_BUILD the build folder (default build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${VELMORA_BUILD:-$root/build}
export VELMORA_SOAK_ACTIONS=${VELMORA_SOAK_ACTIONS:-200000}
archs=${VELMORA_WIN32_ARCHS:-"i686 x86_64"}
source "$root/scripts/wine-env.sh"
velmora_wine_env "$out/wine64-launcher"
if [ "$VELMORA_RUNS_32" = 0 ] && [[ " $archs " == *" i686 "* ]]; then
  echo "-- win32-i686: not soaked (this machine runs no 32-bit programs)" >&2
  archs=${archs//i686/}
fi

for arch in $archs; do
  echo "-- build win32-$arch" >&2
  cmake -S "$root" -B "$out/win32-$arch" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch-w64-mingw32.cmake" \
    -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
  cmake --build "$out/win32-$arch" -j "$(nproc)" --target win32_tests >/dev/null
done

export WINEPREFIX=$out/soak/wineprefix WINEARCH=win64 WINEDEBUG=warn+heap
export WINEDLLOVERRIDES="mscoree,mshtml,winedbg.exe=d" VELMORA_OUT=$out VELMORA_ARCHS=$archs
mkdir -p "$out/soak"
# A heap error wine reports fails the run as a crash does.
xvfb-run -a bash -c '
  set -u
  [ -f "$WINEPREFIX/system.reg" ] || WINEDEBUG=-all wineboot -i >/dev/null 2>&1
  cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  rc=0
  for arch in $VELMORA_ARCHS; do
    echo "== win32-$arch: $VELMORA_SOAK_ACTIONS actions"
    log=$VELMORA_OUT/soak/$arch.log
    env LC_ALL=it_IT.UTF-8 wine "$VELMORA_OUT/win32-$arch/bin/win32_tests.exe" --gtest_color=no \
      --gtest_filter=Soak.* >"$log" 2>&1 || rc=1
    tr -d "\r" <"$log" | grep -E "^soak:|Failure|FAILED|err:heap|warn:heap" | head -20
    if grep -qE "err:heap|warn:heap" "$log"; then rc=1; fi
  done
  wineserver -w
  exit $rc
'
