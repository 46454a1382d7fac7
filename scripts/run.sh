#!/usr/bin/env bash
# The main job: the demo form. Installs what it needs (scripts/setup.sh),
# builds Velmora.ocx and the demo container for 32-bit Windows, registers
# the control with regsvr32 in a wine prefix of its own under the build
# folder, runs the form on a virtual display on the shipped key script,
# prints the transcript (what every field shows and which events fired
# after each step) and writes the picture of the form, and one of the first
# control's property page in the OLE property frame (PICTURE-page.png).
#
#   scripts/run.sh [PICTURE.png]      (default: docs/demo.png, the README's picture)
#
# VELMORA_BUILD chooses the build folder (default: build), VELMORA_ARCH the
# bitness (i686, the default, or x86_64, the default on a machine that runs
# no 32-bit programs).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${VELMORA_BUILD:-$root/build}
arch=${VELMORA_ARCH:-}
picture=${1:-$root/docs/demo.png}

die() { echo "run.sh: $*" >&2; exit 1; }

case "$arch" in ""|i686|x86_64) ;; *) die "VELMORA_ARCH must be i686 or x86_64, not $arch" ;; esac
mkdir -p "$out"
bash "$root/scripts/setup.sh" || die "the tools the demo needs are missing (see above); run as root to install them"
# The 32-bit build by default; the 64-bit one where this machine runs no
# 32-bit programs.
source "$root/scripts/wine-env.sh"
velmora_wine_env "$out/wine64-launcher"
if [ -z "$arch" ]; then
  arch=$([ "$VELMORA_RUNS_32" = 1 ] && echo i686 || echo x86_64)
elif [ "$arch" = i686 ] && [ "$VELMORA_RUNS_32" = 0 ]; then
  die "VELMORA_ARCH=i686: this machine runs no 32-bit programs; use x86_64"
fi
for tool in cmake wine wineserver xvfb-run "$arch-w64-mingw32-g++-win32" widl; do
  command -v "$tool" >/dev/null 2>&1 || die "$tool is missing after setup"
done

build=$out/win32-$arch
echo "-- building Velmora.ocx and the demo form ($arch) in $build" >&2
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch-w64-mingw32.cmake" \
  -DCMAKE_BUILD_TYPE=MinSizeRel >"$out/run-configure.log" 2>&1 ||
  die "configuring failed; see $out/run-configure.log"
cmake --build "$build" -j "$(nproc)" --target Velmora velmora-demo >"$out/run-build.log" 2>&1 ||
  die "building failed; see $out/run-build.log"

mkdir -p "$out/demo" "$(dirname "$picture")"
picture=$(cd "$(dirname "$picture")" && pwd)/$(basename "$picture")
export WINEPREFIX=$out/demo/wineprefix WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# The Italian locale is given to wine alone (bash would warn that the
# host has no such glibc locale).
page_picture=$(dirname "$picture")/$(basename "$picture" .png)-page.png
export VELMORA_BIN=$build/bin VELMORA_DEMO=$root/demo VELMORA_PICTURE=$picture VELMORA_PAGE_PICTURE=$page_picture
# One virtual display for the whole run; wineserver -w waits for wine's own
# processes so none outlives it.
xvfb-run -a -s '-screen 0 1024x768x24' bash -c '
  set -u
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "-- making the wine prefix $WINEPREFIX (once)" >&2
    wineboot -i >/dev/null 2>&1
  fi
  # wine looks for its own faces (fonts-wine) in the prefix only.
  cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" || echo "no wine fonts: install fonts-wine (scripts/setup.sh)" >&2
  ocx=$(winepath -w "$VELMORA_BIN/Velmora.ocx")
  if ! wine regsvr32 /s "$ocx"; then
    echo "run.sh: regsvr32 could not register $VELMORA_BIN/Velmora.ocx" >&2
    wineserver -w
    exit 1
  fi
  cd "$VELMORA_DEMO"
  env LC_ALL=it_IT.UTF-8 wine "$VELMORA_BIN/velmora-demo.exe" --form form.txt --script demo.keys --screenshot "$VELMORA_PICTURE" | tr -d "\r"
  rc=${PIPESTATUS[0]}
  # The page of the first field in the OLE property frame, as F4 shows it.
  [ $rc = 0 ] && { env LC_ALL=it_IT.UTF-8 wine "$VELMORA_BIN/velmora-demo.exe" --form form.txt \
                     --page-screenshot "$VELMORA_PAGE_PICTURE" || rc=$?; }
  wineserver -w
  exit $rc
' || die "the demo form did not run to the end (see above)"
echo >&2
echo "-- the picture of the form: $picture" >&2
echo "-- its property page in the OLE property frame: $page_picture" >&2
