#!/usr/bin/env bash
# Pictures of the property page Generale for the README: builds the 64-bit
# OCX and its Windows tests, opens the page under wine on a virtual display
# (in a plain window, over a date-mode and a number-mode control) and writes
# docs/generale-date.png and docs/generale-number.png. Needs ImageMagick's
# convert for the PNG files.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELMORA_SCREENSHOT_BUILD:-${VELMORA_BUILD:-$root/build}/win32-x86_64}
jobs=${VELMORA_JOBS:-$(nproc)}

cmake -S "$root" -B "$build" \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64-w64-mingw32.cmake" \
  -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
cmake --build "$build" -j "$jobs" --target win32_tests

source "$root/scripts/wine-env.sh"
velmora_wine_env "$build/wine64-launcher"
prefix=$build/wineprefix-screenshots
mkdir -p "$prefix"
export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=it_IT.UTF-8
rm -f "$build"/bin/generale-date.bmp "$build"/bin/generale-number.bmp

# The test saves the two pictures beside itself as BMP files.
export VELMORA_BIN=$build/bin
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  set -u
  [ -d "$WINEPREFIX/drive_c" ] || wineboot -i >/dev/null 2>&1
  # wine looks for its own faces (fonts-wine) in the prefix only: without
  # them the face of the page, MS Sans Serif, would be missing.
  cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" || echo "no wine fonts: install fonts-wine (scripts/setup.sh)" >&2
  cd "$VELMORA_BIN"
  wine ./win32_tests.exe --gtest_color=no --gtest_filter=PageTest.ScreenshotsOfBothViews
  rc=$?
  wineserver -w
  exit $rc
'

mkdir -p "$root/docs"
for view in date number; do
  convert "$build/bin/generale-$view.bmp" -strip "$root/docs/generale-$view.png"
  echo "docs/generale-$view.png"
done
