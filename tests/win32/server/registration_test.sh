#!/usr/bin/env bash
# Registers the built OCX with wine's regsvr32, reads the registry back with
# wine's reg (the 64-bit view for the 64-bit OCX), unregisters it and checks
# that none of the keys is left. Runs in the prefix of scripts/test-win32.sh.
# Usage: registration_test.sh <Velmora.ocx> <objdump> <pointer size>
set -uo pipefail
# reg names the default value in the user's language ("(Predefinito)" under
# Italian settings); registration itself does not depend on the locale.
export LC_ALL=C
ocx=$1
pointer_size=$3
view=/reg:32
win=win32
if [ "$pointer_size" = 8 ]; then view=/reg:64; win=win64; fi
fail=0
# Windows' name for a path: the prefix maps drive Z: to the root.
windows_path() { printf 'Z:%s' "$1" | tr / '\\'; }
path=$(windows_path "$ocx")
control='HKCR\CLSID\{D2477495-F693-11D3-8F25-F3F5CE97CB72}'
page='HKCR\CLSID\{D2477498-F693-11D3-8F25-F3F5CE97CB72}'
libid='{D2477499-F693-11D3-8F25-F3F5CE97CB72}'
typelib="HKCR\\TypeLib\\$libid"
interfaces=('HKCR\Interface\{D2477494-F693-11D3-8F25-F3F5CE97CB72}'
            'HKCR\Interface\{D2477496-F693-11D3-8F25-F3F5CE97CB72}'
            'HKCR\Interface\{D2477497-F693-11D3-8F25-F3F5CE97CB72}')

# Each wine process costs most of a second, so every key is read in one
# batch of "reg query /s", and the answers are looked up in its output:
# one "key|name|data" line per value and one "#key" line per key.
roots=("$control" "$page" 'HKCR\Velmora.VelmoraControl' 'HKCR\Velmora.Generale'
       "${interfaces[@]}" "$typelib")
snapshot() {
  local batch
  batch=$(mktemp --suffix=.bat)
  for key in "${roots[@]}"; do printf 'reg query "%s" /s %s\r\n' "$key" "$view"; done >"$batch"
  wine cmd /c "$(windows_path "$batch")" 2>/dev/null | tr -d '\r' |
    sed 's/^HKEY_CLASSES_ROOT/HKCR/' | awk '
      /^HKCR/ { key = $0; print "#" key; next }
      /^    / && key != "" {
        # "    name    REG_SZ    data": the data may hold blanks itself.
        line = substr($0, 5)
        split(line, parts, "    ")
        name = parts[1]; if (name == "(Default)") name = ""
        print key "|" name "|" substr(line, length(parts[1]) + length(parts[2]) + 9)
      }
      /^$/ { key = "" }'
  rm -f "$batch"
}
value() {  # value <key> [name]: the data of a value, or <missing>
  # Through the environment: awk -v would read the backslashes as escapes.
  printf '%s\n' "$registry" | KEY=$1 NAME=${2:-} awk -F'|' '
    tolower($1) == tolower(ENVIRON["KEY"]) && $2 == ENVIRON["NAME"] && NF >= 3 {
      sub(/^[^|]*\|[^|]*\|/, ""); print; found = 1; exit
    }
    END { if (!found) print "<missing>" }'
}
exists() { printf '%s\n' "$registry" | grep -qixF -- "#$1"; }
expect() {  # expect <what> <actual> <expected>
  if [ "$2" != "$3" ]; then echo "FAIL: $1: got [$2], expected [$3]"; fail=1; fi
}

if ! wine regsvr32 /s "$ocx"; then echo "FAIL: regsvr32 $ocx"; exit 1; fi
registry=$(snapshot)

expect "control class" "$(value "$control")" "VelmoraControl"
expect "control server" "$(value "$control\\InprocServer32")" "$path"
expect "control threading" "$(value "$control\\InprocServer32" ThreadingModel)" "Apartment"
expect "control ProgID" "$(value "$control\\ProgID")" "Velmora.VelmoraControl"
expect "toolbox bitmap" "$(value "$control\\ToolboxBitmap32")" "$path, 30000"
expect "misc status" "$(value "$control\\MiscStatus\\1")" "131473"
expect "control type library" "$(value "$control\\TypeLib")" "$libid"
expect "control version" "$(value "$control\\Version")" "1.0"
exists "$control\\Control" || { echo "FAIL: no Control key"; fail=1; }
exists "$control\\Implemented Categories\\{40FC6ED4-2438-11CF-A3DB-080036F12502}" ||
  { echo "FAIL: not in the controls category"; fail=1; }
expect "ProgID class" "$(value 'HKCR\Velmora.VelmoraControl\CLSID')" \
  "{D2477495-F693-11D3-8F25-F3F5CE97CB72}"
expect "page server" "$(value "$page\\InprocServer32")" "$path"
expect "page ProgID" "$(value "$page\\ProgID")" "Velmora.Generale"
expect "page ProgID class" "$(value 'HKCR\Velmora.Generale\CLSID')" \
  "{D2477498-F693-11D3-8F25-F3F5CE97CB72}"
expect "dual interface marshaler" "$(value "${interfaces[0]}\\ProxyStubClsid32")" \
  "{00020424-0000-0000-C000-000000000046}"
expect "event interface marshaler" "$(value "${interfaces[1]}\\ProxyStubClsid32")" \
  "{00020420-0000-0000-C000-000000000046}"
expect "page interface marshaler" "$(value "${interfaces[2]}\\ProxyStubClsid32")" \
  "{00020424-0000-0000-C000-000000000046}"
expect "type library" "$(value "$typelib\\1.0")" "TextBox Formattato"
expect "type library file" "$(value "$typelib\\1.0\\409\\$win")" "$path"

left_behind() {  # the shared keys, or the class or interfaces in either view
  local batch out
  batch=$(mktemp --suffix=.bat)
  {
    printf '@echo off\r\n'
    for key in 'HKCR\Velmora.VelmoraControl' 'HKCR\Velmora.Generale' "$typelib" "$control" "${interfaces[@]}"; do
      for v in /reg:32 /reg:64; do
        printf 'reg query "%s" %s >nul 2>&1\r\nif not errorlevel 1 echo     left behind: %s %s\r\n' \
          "$key" "$v" "$key" "$v"
      done
    done
  } >"$batch"
  out=$(wine cmd /c "$(windows_path "$batch")" 2>/dev/null | tr -d '\r')
  rm -f "$batch"
  [ -z "$out" ] || { printf '%s\n' "$out"; return 1; }
}

if ! wine regsvr32 /u /s "$ocx"; then echo "FAIL: regsvr32 /u $ocx"; fail=1; fi
registry=$(snapshot)
for key in "${roots[@]}"; do
  if exists "$key"; then echo "FAIL: $key left behind"; fail=1; fi
done
# Neither view keeps anything: the system's RegisterTypeLib may also have
# written the interfaces into the other view.
left_behind || { echo "FAIL: keys left in a view after removal"; fail=1; }
[ $fail = 0 ] && echo "registered, read back and removed: $ocx"

# ---- both bitnesses side by side ---------------------------------------------
# The 32-bit and the 64-bit OCX installed at once, in the four orders of
# registering both and removing either: the one left is still created by
# its ProgIDs and finds its type library by LIBID, from a client of its own
# bitness (InstalledServer in the remaining bitness's win32_tests), and
# removing it too leaves nothing. wine lays the views out as 64-bit Windows
# does: the classes and interfaces are each view's own, the ProgIDs and the
# type library shared. Run once, from the 32-bit build, when the 64-bit one
# is there.
ocx32=$ocx
ocx64=${ocx/win32-i686/win32-x86_64}
if [ "$pointer_size" != 4 ]; then exit $fail; fi
if [ "$ocx64" = "$ocx" ] || [ ! -f "$ocx64" ]; then
  echo "side by side: not run, no 64-bit build beside $ocx"
  exit $fail
fi
ocx_of() { if [ "$1" = 32 ]; then echo "$ocx32"; else echo "$ocx64"; fi; }
tests_of() { echo "$(dirname "$(ocx_of "$1")")/win32_tests.exe"; }
# gtest prints the failures; a skipped test would mean the script's
# variable did not arrive, so a pass must say PASSED.
run_client() {  # run_client <32|64> <gtest filter> [VAR=value...]
  local bits=$1 filter=$2; shift 2
  local out
  out=$(env "$@" wine "$(tests_of "$bits")" --gtest_filter="$filter" --gtest_brief=1 2>&1 | tr -d '\r')
  if ! printf '%s\n' "$out" | grep -q '^\[  PASSED  \] 1 test' || printf '%s\n' "$out" | grep -q SKIPPED; then
    printf '%s\n' "$out" | grep -v '^Running main\|^Note:' | sed 's/^/    /'
    return 1
  fi
}
for order in "32 64 32" "32 64 64" "64 32 32" "64 32 64"; do
  read -r first second removed <<<"$order"
  kept=$([ "$removed" = 32 ] && echo 64 || echo 32)
  what="register $first then $second, remove $removed"
  wine regsvr32 /s "$(ocx_of "$first")" && wine regsvr32 /s "$(ocx_of "$second")" ||
    { echo "FAIL: $what: regsvr32"; fail=1; continue; }
  wine regsvr32 /u /s "$(ocx_of "$removed")" || { echo "FAIL: $what: regsvr32 /u"; fail=1; }
  if ! run_client "$kept" 'InstalledServer.*' VELMORA_INSTALLED_OCX="$(windows_path "$(ocx_of "$kept")")"; then
    echo "FAIL: $what: the $kept-bit OCX no longer works"; fail=1
  fi
  wine regsvr32 /u /s "$(ocx_of "$kept")" || { echo "FAIL: $what: regsvr32 /u of the $kept-bit OCX"; fail=1; }
  left_behind || { echo "FAIL: $what: keys left after removing both"; fail=1; }
  echo "side by side, $what: done"
done
exit $fail
