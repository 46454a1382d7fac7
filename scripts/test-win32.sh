#!/usr/bin/env bash
# Builds Velmora.ocx and its tests for 32-bit and 64-bit Windows with
# mingw-w64 and runs them under wine on a virtual display. One wine prefix
# serves the whole run (a 64-bit prefix runs both bitnesses); it is made
# afresh each time so no registration survives from an earlier run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${VELMORA_BUILD:-$root/build}
jobs=${VELMORA_JOBS:-$(nproc)}
bitnesses=${VELMORA_WIN32_ARCHS:-"i686 x86_64"}

for arch in $bitnesses; do
  echo "-- build win32-$arch"
  cmake -S "$root" -B "$out/win32-$arch" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch-w64-mingw32.cmake" \
    -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
  cmake --build "$out/win32-$arch" -j "$jobs"
done

# Where the kernel runs no 32-bit programs, the 32-bit build is checked
# statically only (its imports); its tests under wine cannot start.
source "$root/scripts/wine-env.sh"
velmora_wine_env "$out/wine64-launcher"
runnable=
for arch in $bitnesses; do
  if [ "$arch" = i686 ] && [ "$VELMORA_RUNS_32" = 0 ]; then
    echo "-- tests win32-$arch: static checks only (this machine runs no 32-bit programs)"
    ctest --test-dir "$out/win32-$arch" -R '^imports_test$' --output-on-failure
  else
    runnable="$runnable $arch"
  fi
done

prefix=$out/wineprefix
rm -rf "$prefix"
mkdir -p "$prefix"
export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=it_IT.UTF-8

# Everything wine runs happens under one virtual display; wineserver -w
# waits for wine's own processes so none outlives the run.
export VELMORA_OUT=$out VELMORA_BITNESSES=$runnable
xvfb-run -a bash -c '
  set -u
  wineboot -i >/dev/null 2>&1
  # wine looks for its own faces (fonts-wine) in the prefix only.
  cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" || echo "no wine fonts: install fonts-wine (scripts/setup.sh)" >&2
  rc=0
  for arch in $VELMORA_BITNESSES; do
    echo "-- tests win32-$arch"
    ctest --test-dir "$VELMORA_OUT/win32-$arch" --output-on-failure || rc=1
  done
  wineserver -w
  exit $rc
'

# The release built from these builds, installed and used as an integrator
# would, each package in a fresh prefix of its own.
if [[ " $bitnesses " == *" i686 "* && " $bitnesses " == *" x86_64 "* ]]; then
  echo "-- release packages"
  bash "$root/tests/release/package_test.sh" "$out"
else
  echo "-- release packages: not tested (they need both bitnesses)"
fi
