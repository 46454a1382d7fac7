#!/usr/bin/env bash
# Installs what building and testing Velmora needs on a fresh Debian machine.
# Idempotent: it installs only what is missing. Pass "native" to skip the
# Windows tool chain and wine.
set -euo pipefail

want_windows=1
[ "${1:-}" = "native" ] && want_windows=0

missing=()
need() {  # need <command-or-path> <package>
  if ! command -v "$1" >/dev/null 2>&1 && [ ! -e "$1" ]; then missing+=("$2"); fi
}
need cmake cmake
need g++ g++
need clang++ clang
need /usr/include/gtest/gtest.h libgtest-dev
need /usr/include/benchmark/benchmark.h libbenchmark-dev
need python3 python3
if [ "$want_windows" = 1 ]; then
  need i686-w64-mingw32-g++-win32 g++-mingw-w64-i686
  need x86_64-w64-mingw32-g++-win32 g++-mingw-w64-x86-64
  need widl mingw-w64-tools
  need /usr/lib/wine/widl wine64-tools
  need /usr/include/wine/wine/windows/oaidl.idl libwine-dev
  need /usr/lib/wine/wine64 wine64
  need wine wine
  need /usr/lib/i386-linux-gnu/wine/i386-windows/kernel32.dll wine32:i386
  need xvfb-run xvfb
  # wine's own faces (MS Sans Serif, Tahoma, ...): without them wine draws
  # every such face as DejaVu Sans, much wider, and the page's captions do
  # not fit. The scripts copy them into each wine prefix they make.
  need /usr/share/wine/fonts/sserife.fon fonts-wine
  need xdotool xdotool
  need convert imagemagick
  # The release packages (scripts/release.sh) and their signatures.
  need wixl wixl
  need osslsigncode osslsigncode
  need openssl openssl
fi
# Some images ship a stand-in "convert" that cannot write pictures.
if [ "$want_windows" = 1 ] && command -v convert >/dev/null && ! convert -version 2>/dev/null | grep -q ImageMagick; then
  missing+=(imagemagick)
fi

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "setup: installing ${missing[*]}" >&2
if [ "$(id -u)" != 0 ]; then
  echo "setup: these packages are missing and installing them needs root: ${missing[*]}" >&2
  exit 1
fi
if [ "$want_windows" = 1 ] && ! dpkg --print-foreign-architectures | grep -q i386; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
# A mirror caught in the middle of a sync serves a package list whose size
# does not match its Release file; apt then drops that list and, for the
# i386 one, wine32:i386 can no longer be installed ("held broken packages").
# The list it was served is the current one: take it as it is.
update_log=$(mktemp)
apt-get update -qq 2>&1 | tee "$update_log" >&2 || true
{ grep -o "Failed to fetch [^ ]*Packages.xz  File has unexpected size" "$update_log" || true; } |
  awk '{print $4}' | while read -r url; do
    list=/var/lib/apt/lists/$(echo "${url#http://}" | sed 's|/|_|g; s|\.xz$||')
    echo "setup: $url is being synced; taking it as served" >&2
    curl -fsS "$url" | xz -dc > "$list" || { echo "setup: could not fetch $url" >&2; rm -f "$list"; }
  done
rm -f "$update_log"
if ! apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null; then
  echo "setup: installing ${missing[*]} failed (see apt's messages above)" >&2
  exit 1
fi
