#!/usr/bin/env bash
# Runs a VBScript client of the control with wine's cscript of the OCX's
# bitness, after registering the OCX with regsvr32, and unregisters it
# afterwards. The script prints a final marker line: a VBScript runtime
# error ends it silently with exit code 0, so the marker is what tells.
# Runs in the prefix of scripts/test-win32.sh.
# Usage: run_script_test.sh <Velmora.ocx> <pointer size> <script.vbs>
set -uo pipefail
ocx=$1
pointer_size=$2
script=$3
marker=VELMORA-SCRIPT-DONE
windows_path() { printf 'Z:%s' "$1" | tr / '\\'; }
# The wine command is a 32-bit launcher: a 64-bit program named through it
# is redirected to its 32-bit twin, so the 64-bit script host is started by
# the 64-bit loader itself.
host=(wine cscript)
if [ "$pointer_size" = 8 ]; then
  host=("$(command -v wine64 || echo /usr/lib/wine/wine64)" cscript)
fi

wine regsvr32 /s "$(windows_path "$ocx")" || { echo "FAIL: regsvr32 $ocx"; exit 1; }
output=$("${host[@]}" //nologo "$(windows_path "$script")" 2>&1 | tr -d '\r')
wine regsvr32 /u /s "$(windows_path "$ocx")"
printf '%s\n' "$output"
if ! printf '%s\n' "$output" | grep -qx "$marker"; then
  echo "FAIL: $(basename "$script") did not reach its end ($marker missing)"
  exit 1
fi
