#!/usr/bin/env bash
# Runs script clients of the control (VBScript .vbs, JScript .js) with
# wine's cscript of the OCX's bitness, after registering the OCX with
# regsvr32, and unregisters it afterwards. A script with a NAME.expected
# beside it must print exactly that; any other must print the final marker
# line: a VBScript runtime error ends a script silently with exit code 0,
# so the marker (or the expected last line) is what tells.
# Runs in the prefix of scripts/test-win32.sh.
# Usage: run_script_test.sh <Velmora.ocx> <pointer size> <script>...
set -uo pipefail
ocx=$1
pointer_size=$2
shift 2
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
rc=0
for script in "$@"; do
  name=$(basename "$script")
  output=$("${host[@]}" //nologo "$(windows_path "$script")" 2>&1 | tr -d '\r')
  expected=${script%.*}.expected
  if [ -f "$expected" ]; then
    if diff -u --label "$name.expected" --label "$name" "$expected" <(printf '%s\n' "$output"); then
      echo "ok   $name"
    else
      echo "FAIL: $name does not print $(basename "$expected")"
      rc=1
    fi
  else
    printf '%s\n' "$output"
    if ! printf '%s\n' "$output" | grep -qx "$marker"; then
      echo "FAIL: $name did not reach its end ($marker missing)"
      rc=1
    fi
  fi
done
wine regsvr32 /u /s "$(windows_path "$ocx")"
exit $rc
