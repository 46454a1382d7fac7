#!/usr/bin/env bash
# The built OCX as a file: it exports exactly the four entry points of a
# self-registering server and imports nothing but Windows' own DLLs (so it
# runs without any compiler runtime beside it), and it stays under 300 KB
# although that runtime is linked in statically.
# Usage: imports_test.sh <Velmora.ocx> <objdump> <pointer size>
set -euo pipefail
ocx=$1
objdump=$2
fail=0

dump=$("$objdump" -p "$ocx")

imports=$(printf '%s\n' "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
system_dlls=" kernel32.dll user32.dll gdi32.dll advapi32.dll ole32.dll oleaut32.dll msvcrt.dll
  comctl32.dll shlwapi.dll version.dll uxtheme.dll shell32.dll comdlg32.dll imm32.dll oleacc.dll usp10.dll "
for dll in $imports; do
  case "$system_dlls" in
    *" $dll "* | *" $dll"$'\n'*) ;;
    *) echo "FAIL: imports $dll, not a Windows system DLL"; fail=1 ;;
  esac
done
echo "imports: $(echo $imports)"

# The export table lists "[Ordinal] Name" rows after "[Ordinal/Name Pointer] Table".
exports=$(printf '%s\n' "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]*//p' | sort)
expected=$(printf '%s\n' DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer)
if [ "$exports" != "$expected" ]; then
  echo "FAIL: exports are:"; echo "$exports"; fail=1
fi
echo "exports: $(echo $exports)"

size=$(stat -c %s "$ocx")
echo "size: $size bytes"
if [ "$size" -ge $((300 * 1024)) ]; then
  echo "FAIL: $ocx is $size bytes, over 300 KB"; fail=1
fi
exit $fail
