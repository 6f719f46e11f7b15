#!/usr/bin/env bash
# console-scenario.sh <build-dir>
# The console companion as scripts use it: help, refused arguments, exit codes,
# and reports checked against their JSON Schema by a real validator: a folder
# with hidden and system files, and drive D: (an NTFS volume read raw) with the
# ntdll hider in the companion and its lister.
set -euo pipefail
build=$(cd "${1:?build dir}" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
tests=$build/windows/tests
scan=$build/windows/bin/quarvel-scan.exe
# shellcheck source=scripts/wine-lib.sh
source "$root/scripts/wine-lib.sh"
# shellcheck disable=SC1091
source "$build/wine-session/env"
work=$build/console-scenario
rm -rf "$work" && mkdir -p "$work/tree/SUB"
failures=0
check() {  # check <what> <condition...>
  local what=$1
  shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}
run() {  # run <stdout> <stderr> <program> [args...]; prints the exit code
  local out=$1 err=$2
  shift 2
  local code=0
  "$wine" "$@" >"$out" 2>"$err" </dev/null || code=$?
  echo "$code"
}

code=$(run "$work/help.txt" "$work/help.err" "$scan" '/?')
check "/? prints the help and exits 0" test "$code" = 0 -a -n "$(grep 'QUARVEL-SCAN folder' "$work/help.txt")"
code=$(run "$work/bad.txt" "$work/bad.err" "$scan" "$(winpath "$work/tree")" /Q)
check "an unknown switch exits 2 and says why" test "$code" = 2 -a -n "$(grep 'Invalid switch - /Q' "$work/bad.err")"
code=$(run "$work/missing.txt" "$work/missing.err" "$scan" 'C:\no such folder')
check "a missing folder exits 2 and says why" test "$code" = 2 -a -n "$(grep 'does not exist' "$work/missing.err")"

printf 'x' >"$work/tree/VISIBLE.DLL"
printf 'xy' >"$work/tree/HIDDEN.DLL"
printf 'xyz' >"$work/tree/SUB/SYSTEM.DLL"
"$wine" attrib +h "$(winpath "$work/tree/HIDDEN.DLL")" >/dev/null 2>&1
"$wine" attrib +s "$(winpath "$work/tree/SUB/SYSTEM.DLL")" >/dev/null 2>&1
code=$(run "$work/tree.out" "$work/tree.err" "$scan" "$(winpath "$work/tree")" /FILTER '*.DLL' /S /JSON "$(winpath "$work/tree.json")")
check "hidden and system files: exit 1" test "$code" = 1
check "hidden and system files: a valid report with their verdicts" \
  /usr/bin/python3 "$root/tests/e2e/validate_scan_report.py" "$root/schemas/quarvel-scan.schema.json" "$work/tree.json" \
  "hidden by attribute=1" "system file=1" "kept from the Win32 search=0"
code=$(run "$work/clean.out" "$work/clean.err" "$scan" "$(winpath "$work/tree/SUB")" /FILTER 'NONE.*')
check "nothing unseen: exit 0, the summary on standard output" test "$code" = 0 -a -n "$(grep '"type":"summary"' "$work/clean.out")"

if "$wine" cmd /c 'if exist D:\SCAN exit 0' >/dev/null 2>&1 && [ -e "$WINEPREFIX/dosdevices/d::" ]; then
  code=$(run "$work/d.out" "$work/d.err" "$tests/run-hooked.exe" "$(winpath "$tests/ntdll-hider.dll")" \
    "$scan" 'D:\SCAN' /S /JSON "$(winpath "$work/volume.json")")
  check "the ntdll hider on an NTFS volume: exit 1" test "$code" = 1
  check "the ntdll hider on an NTFS volume: seen only on the volume" \
    /usr/bin/python3 "$root/tests/e2e/validate_scan_report.py" "$root/schemas/quarvel-scan.schema.json" "$work/volume.json" \
    "seen only on the volume=2"
else
  echo "skipped: no NTFS drive D: (needs root and FUSE)"
fi
[ "$failures" -eq 0 ]
