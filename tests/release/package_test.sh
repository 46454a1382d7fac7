#!/usr/bin/env bash
# The release as an integrator receives it: scripts/release.sh signed with a
# throwaway certificate, then under wine, each package in a fresh prefix,
# installed, used by clients of both bitnesses, upgraded, refused as a
# downgrade and removed, with the registry and the files compared with
# before; and the zip's OCXs used with no registration at all. Uses the
# builds of scripts/test-win32.sh (their win32_tests.exe are the clients).
# Where the machine runs no 32-bit programs (scripts/wine-env.sh), the
# packages are still installed, upgraded and removed, and only the 32-bit
# clients are left out, each saying so.
# Usage: package_test.sh <build folder> (it runs its wine part itself, as
# package_test.sh --wine <build folder>, under one virtual display)
set -uo pipefail
# Nothing here depends on the locale, and the one that scripts/test-win32.sh
# pins for wine is no glibc locale: each shell would warn about it.
export LC_ALL=C
root=$(cd "$(dirname "$0")/../.." && pwd)
phase=release
if [ "$1" = --wine ]; then phase=wine; shift; fi
out=$1
work=$out/packages
tool=$root/tools/release/velmora_package.py
typelib=$out/win32-i686/win32/generated/velmora.tlb
version=$(sed -n 's/^project(Velmora VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
fail=0
failed() { echo "FAIL: $*"; fail=1; }
source "$root/scripts/wine-env.sh"
velmora_wine_env "$out/wine64-launcher"

if [ "$phase" = release ]; then
rm -rf "$work"
mkdir -p "$work"

# ---- the release, signed ---------------------------------------------------
openssl req -x509 -newkey rsa:2048 -nodes -subj /CN=Velmora-test -addext extendedKeyUsage=codeSigning \
  -days 2 -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null &&
  openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/test.p12" -passout pass:throwaway ||
  { echo "FAIL: no test certificate"; exit 1; }
release() {  # release <password>
  VELMORA_SIGN_PKCS12="$work/test.p12" VELMORA_SIGN_PASSWORD="$1" VELMORA_BUILD="$out" VELMORA_DIST="$work/dist" \
    bash "$root/scripts/release.sh"
}
message=$(release wrong 2>&1) && failed "a wrong password was accepted"
[ "$(printf '%s\n' "$message" | wc -l)" = 1 ] || failed "a wrong password: not one line: $message"
if [ -e "$work/dist" ] || compgen -G "$work/.release.*" >/dev/null; then failed "a failed release left files"; fi
release throwaway || { echo "FAIL: scripts/release.sh"; exit 1; }
dist=$work/dist
(cd "$dist" && sha256sum --quiet -c SHA256SUMS) || failed "SHA256SUMS"
mkdir -p "$work/zip" && (cd "$work/zip" && python3 -m zipfile -e "$dist/Velmora-$version.zip" .)
ls "$dist" | tr '\n' ' ' && echo
ls -l "$dist" | awk 'NR > 1 { printf "  %s %d bytes\n", $9, $5 }'

# Every signature verifies, and one byte changed anywhere breaks it.
for file in "$dist/Velmora-$version-x86.msi" "$dist/Velmora-$version-x64.msi" "$work/zip/x86/Velmora.ocx" \
  "$work/zip/x64/Velmora.ocx"; do
  name=${file#"$work"/}
  osslsigncode verify -CAfile "$work/cert.pem" -in "$file" >/dev/null 2>&1 || failed "signature of $name"
  cp "$file" "$work/tampered"
  python3 -c 'import sys; f = open(sys.argv[1], "r+b"); f.seek(0x1000); b = f.read(1); f.seek(0x1000); f.write(bytes([b[0] ^ 1]))' \
    "$work/tampered"
  osslsigncode verify -CAfile "$work/cert.pem" -in "$work/tampered" >/dev/null 2>&1 &&
    failed "$name verifies with a byte changed"
done
rm -f "$work/tampered"
python3 "$root/tests/release/static_check.py" "$work/zip" "$typelib" "$version" || fail=1
# A release before this one, for the upgrade.
python3 "$tool" msi "$typelib" x64 0.9.0 "$work/zip" "$work/old-x64.msi" || failed "the older package"

# ---- under wine ------------------------------------------------------------
export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
xvfb-run -a bash "$0" --wine "$out" || fail=1
# The prefixes (over a gigabyte each) are kept only to look into a failure.
[ $fail = 0 ] && rm -rf "$work"/prefix-* && echo "packages: all checks passed"
exit $fail
fi

windows_path() { printf "Z:%s" "$1" | tr / "\\\\"; }
fresh_prefix() {
  [ -n "${WINEPREFIX:-}" ] && wineserver -w
  export WINEPREFIX=$work/prefix-$1
  rm -rf "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wineserver -w
}
# The registry (both views of the machine, and the user) and the files
# of drive C:, for comparing; temporary files apart, and the network cards
# wine enters whenever its services get to it. The Windows Installer's own
# empty bookkeeping keys and its folder stay once it has run, as on any
# Windows that has installed anything: their names are left out, while a
# value or file in them would still show.
snapshot() {
  for root in HKLM HKCU; do
    wine reg export "$root\\Software" "$(windows_path "$work/$root.reg")" /reg:64 /y >/dev/null 2>&1
    iconv -f UTF-16 -t UTF-8 "$work/$root.reg" | tr -d "\r" | awk -v no32="$((1 - VELMORA_RUNS_32))" '
      /^\[/ { volatile = index($0, "\\NetworkCards") > 0 }
      # Without 32-bit support the 32-bit view starts with a few empty keys
      # that the installer removes, and lacks one that it leaves empty: only
      # these bare names are left out, anything in them would still show.
      no32 && /^\[HKEY_LOCAL_MACHINE\\Software\\(Classes\\Wow6432Node|Wow6432Node\\Classes)\\(CLSID|Interface)\]$/ { next }
      no32 && /^\[HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\]$/ { next }
      volatile || /^$/ { next }
      /^\[HKEY_LOCAL_MACHINE\\Software\\(Classes\\Installer|Microsoft\\Windows\\CurrentVersion\\Installer\\(UpgradeCodes|UserData))(\\.*)?\]$/ { next }
      { print }'
  done >"$work/$1.reg"
  (cd "$WINEPREFIX/drive_c" && find . -path "*/Temp" -prune -o -path ./windows/temp -prune -o -print | sort |
    grep -v -x './windows/Installer') >"$work/$1.files"
}
compare() {  # compare <what>: after against before
  diff -u "$work/before.reg" "$work/after.reg" >"$work/$1.reg.diff" ||
    { failed "$1: registry differs from before"; head -n 40 "$work/$1.reg.diff"; }
  diff -u "$work/before.files" "$work/after.files" >"$work/$1.files.diff" ||
    { failed "$1: files differ from before"; head -n 40 "$work/$1.files.diff"; }
}
client() {  # client <32|64> <OCX the type library is expected in> [program]
  if [ "$1" = 32 ] && [ "$VELMORA_RUNS_32" = 0 ]; then
    echo "  32-bit client: not run (this machine runs no 32-bit programs)"
    return 0
  fi
  # A prefix made without 32-bit support lacks the keys that the two
  # registry views share (HKCR's ProgIDs among them, which the packages
  # write once, as Windows shares them), so no installed class is found by
  # its ProgID there; registration-free use needs no registry.
  if [ -z "${3:-}" ] && [ "$VELMORA_RUNS_32" = 0 ]; then
    echo "  $1-bit client of the installed package: not run (no shared registry view without 32-bit support)"
    return 0
  fi
  local exe=${3:-$out/win32-$([ "$1" = 32 ] && echo i686 || echo x86_64)/bin/win32_tests.exe} result
  result=$(VELMORA_INSTALLED_OCX=$2 wine "$exe" --gtest_filter=InstalledServer.* --gtest_brief=1 2>&1 | tr -d "\r")
  if ! printf "%s\n" "$result" | grep -q "^\[  PASSED  \] 1 test" || printf "%s\n" "$result" | grep -q SKIPPED; then
    printf "%s\n" "$result" | grep -v "^Running main\|^Note:" | sed "s/^/    /"
    return 1
  fi
}
timed() {  # timed <label> <command...>: runs it and says how long it took
  local start=$(date +%s%N) rc
  "${@:2}"; rc=$?
  echo "  $1: $(( ($(date +%s%N) - start) / 1000000 )) ms"
  return $rc
}
products() {  # the installed products named Velmora
  wine reg query "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall" /s /reg:64 2>/dev/null |
    tr -d "\r" | sed -n "s/^ *DisplayName *REG_SZ *\(Velmora.*\)/\1/p"
}
x86_ocx="C:\\Program Files (x86)\\Velmora\\Velmora.ocx"
x64_ocx="C:\\Program Files\\Velmora\\Velmora.ocx"
msi() { windows_path "$work/dist/Velmora-$version-$1.msi"; }

echo "-- the x86 package"
fresh_prefix x86
snapshot before
timed "install" wine msiexec /i "$(msi x86)" /qn || failed "x86 install"
client 32 "$x86_ocx" || failed "x86 package: 32-bit client"
timed "uninstall" wine msiexec /x "$(msi x86)" /qn || failed "x86 uninstall"
snapshot after
compare x86

# The prefix is as it was made (compared above): nothing is registered.
echo "-- registration-free, from the zip"
for arch in x86 x64; do
  bits=$([ "$arch" = x86 ] && echo 32 || echo 64)
  app=$work/regfree-$arch
  mkdir -p "$app"
  cp "$work/zip/$arch/Velmora.ocx" "$work/zip/$arch/Velmora.manifest" "$app/"
  cp "$out/win32-$([ "$arch" = x86 ] && echo i686 || echo x86_64)/bin/win32_tests.exe" "$app/client.exe"
  python3 "$tool" app-manifest "$version.0" "$arch" "$app/client.exe.manifest"
  client "$bits" "$(windows_path "$app/Velmora.ocx")" "$app/client.exe" || failed "registration-free $arch client"
done

echo "-- the x64 package"
fresh_prefix x64
snapshot before
wine msiexec /i "$(windows_path "$work/old-x64.msi")" /qn || failed "installing the older package"
timed "upgrade" wine msiexec /i "$(msi x64)" /qn || failed "x64 install over the older one"
[ "$(products)" = "Velmora $version (x64)" ] || failed "after the upgrade: products [$(products)]"
client 32 "$x86_ocx" || failed "x64 package: 32-bit client"
client 64 "$x64_ocx" || failed "x64 package: 64-bit client"
wine msiexec /i "$(windows_path "$work/old-x64.msi")" /qn && failed "a downgrade was installed"
[ "$(products)" = "Velmora $version (x64)" ] || failed "after the downgrade: products [$(products)]"
# Both packages on one Windows share the 32-bit OCX: it stays while either
# of them is installed.
wine msiexec /i "$(msi x86)" /qn || failed "the x86 package beside the x64 one"
wine msiexec /x "$(msi x86)" /qn || failed "removing the x86 package beside the x64 one"
client 32 "$x86_ocx" || failed "x64 package: 32-bit client once the x86 package is removed"
timed "uninstall" wine msiexec /x "$(msi x64)" /qn || failed "x64 uninstall"
snapshot after
compare x64
wineserver -w
exit $fail
