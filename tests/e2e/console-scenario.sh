#!/usr/bin/env bash
# console-scenario.sh <build-dir>
# The console companion as scripts use it: help and version, refused arguments,
# each exit code, a folder whose name the ANSI code page cannot spell, and
# reports checked against their JSON Schema by a real validator and their CSV
# by Python's csv module: a folder with hidden and system files, the same
# folder with a hider in the companion, and drive D: (an NTFS volume read raw)
# with the ntdll hider in the companion and its lister.
set -euo pipefail
build=$(cd "${1:?build dir}" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
tests=$build/windows/tests
scan=$build/windows/bin/quarvel-scan.exe
# shellcheck source=scripts/wine-lib.sh
source "$root/scripts/wine-lib.sh"
# shellcheck disable=SC1091
source "$build/wine-session/env"
# Arguments reach Wine as UTF-8 (the non-ANSI folder's name).
export LANG=C.UTF-8
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
validate() {  # validate <report> [--exit N] [--csv FILE] [CODE=COUNT ...]
  /usr/bin/python3 "$root/tests/e2e/validate_scan_report.py" "$root/schemas/quarvel-scan.schema.json" "$@"
}
# Work folders left in Wine's temporary folder (TEMP is C:\users\<name>\Temp).
leftovers() { find "$WINEPREFIX/drive_c/users" -maxdepth 3 -name 'quarvel-scan-*' 2>/dev/null | wc -l || true; }
left_before=$(leftovers)

code=$(run "$work/help.txt" "$work/help.err" "$scan" '/?')
check "/? prints the help and exits 0" test "$code" = 0 -a -n "$(grep 'QUARVEL-SCAN folder' "$work/help.txt")"
version=$(sed -n 's/^project(Quarvel VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
code=$(run "$work/version.txt" "$work/version.err" "$scan" /VERSION)
check "/VERSION shows the project's version $version" test "$code" = 0 -a "$(tr -d '\r' <"$work/version.txt")" = "quarvel-scan $version"
code=$(run "$work/bad.txt" "$work/bad.err" "$scan" "$(winpath "$work/tree")" /Q)
check "an unknown switch exits 2 and says why" test "$code" = 2 -a -n "$(grep 'Invalid switch - /Q' "$work/bad.err")"
code=$(run "$work/missing.txt" "$work/missing.err" "$scan" 'C:\no such folder')
check "a missing folder exits 2 and says why" test "$code" = 2 -a -n "$(grep 'does not exist' "$work/missing.err")"

printf 'x' >"$work/tree/VISIBLE.DLL"
printf 'xy' >"$work/tree/HIDDEN.DLL"
printf 'xyz' >"$work/tree/SUB/SYSTEM.DLL"
printf 'xyzw' >"$work/tree/QVHIDE1.DLL"
"$wine" attrib +h "$(winpath "$work/tree/HIDDEN.DLL")" >/dev/null 2>&1
"$wine" attrib +s "$(winpath "$work/tree/SUB/SYSTEM.DLL")" >/dev/null 2>&1
code=$(run "$work/tree.out" "$work/tree.err" "$scan" "$(winpath "$work/tree")" /FILTER '*.DLL' /S \
  /JSON "$(winpath "$work/tree.json")" /CSV "$(winpath "$work/tree.csv")" /PROGRESS)
check "hidden and system files alone: exit 0" test "$code" = 0
check "hidden and system files: a valid report and the same records in CSV" \
  validate "$work/tree.json" --exit "$code" --csv "$work/tree.csv" hidden_attribute=1 system_file=1 kept_from_win32=0
check "/PROGRESS: folders and files read on redirected standard error" grep -q 'compared 2 folder(s), 4 file(s)' "$work/tree.err"
code=$(run "$work/all.out" "$work/all.err" "$scan" "$(winpath "$work/tree")" /FILTER '*.DLL' /S /ALL)
check "/ALL: any unseen file exits 1, the report on standard output" test "$code" = 1
check "/ALL: the report on standard output is valid; no progress unasked" \
  test -n "$(validate "$work/all.out" --exit "$code" unseen_total=2)" -a ! -s "$work/all.err"

code=$(run "$work/hooked.out" "$work/hooked.err" "$tests/run-hooked.exe" "$(winpath "$tests/hider.dll")" \
  "$scan" "$(winpath "$work/tree")" /FILTER '*.DLL' /S /JSON "$(winpath "$work/hooked.json")")
check "a hider in the companion: exit 1" test "$code" = 1
check "a hider in the companion: kept from the Win32 search, pointing at a hider" \
  validate "$work/hooked.json" --exit "$code" kept_from_win32=1 pointing_at_hider=1

# A name the ANSI code page cannot spell: the lister is handed the short name,
# the report names the folder as it is (as \u escapes).
odd=$work/$'\xd0\x96\xd1\x83\xd0\xba-\xce\xa9'
mkdir -p "$odd" && printf 'xy' >"$odd/HIDDEN.DLL"
"$wine" attrib +h "$(winpath "$odd/HIDDEN.DLL")" >/dev/null 2>&1
code=$(run "$work/odd.out" "$work/odd.err" "$scan" "$(winpath "$odd")" /JSON "$(winpath "$work/odd.json")")
check "a folder outside the code page: exit 0" test "$code" = 0
check "a folder outside the code page: named as it is in the report" \
  validate "$work/odd.json" --exit "$code" hidden_attribute=1 "folder=$(winpath "$odd")"

if "$wine" cmd /c 'if exist D:\SCAN exit 0' >/dev/null 2>&1 && [ -e "$WINEPREFIX/dosdevices/d::" ]; then
  code=$(run "$work/d.out" "$work/d.err" "$tests/run-hooked.exe" "$(winpath "$tests/ntdll-hider.dll")" \
    "$scan" 'D:\SCAN' /S /JSON "$(winpath "$work/volume.json")")
  check "the ntdll hider on an NTFS volume: exit 1" test "$code" = 1
  check "the ntdll hider on an NTFS volume: seen only on the volume" \
    validate "$work/volume.json" --exit "$code" volume_only=2
else
  echo "skipped: no NTFS drive D: (needs root and FUSE)"
fi
check "no work folder is left in the temporary folder" test "$(leftovers)" = "$left_before"
[ "$failures" -eq 0 ]
