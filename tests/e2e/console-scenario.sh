#!/usr/bin/env bash
# console-scenario.sh <build-dir>
# The console companion as scripts use it: help and version, refused arguments,
# each exit code, a folder whose name the ANSI code page cannot spell, and
# reports checked against their JSON Schema by a real validator and their CSV
# by Python's csv module: a folder with hidden and system files, the same
# folder with a hider in the companion, and drive D: (an NTFS volume read raw)
# with the ntdll hider in the companion and its lister; and /REGISTRY, the
# SOFTWARE hive file on drive D: against Wine's registry holding the same keys,
# clean and with the ntdll hider hiding values and keys in the companion.
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
  validate "$work/tree.json" --exit "$code" --csv "$work/tree.csv" hidden_attribute=1 system_file=1 kept_from_win32=0 \
  "second_look=second look: taken"
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
    validate "$work/volume.json" --exit "$code" volume_only=2 "volume_view=volume view: used"
  # GHOST.DLL's record names D:\INDEXEDIT, whose index on the image leaves it
  # out. A tree scan reads the whole MFT, which finds such a record.
  code=$(run "$work/index.out" "$work/index.err" "$scan" 'D:\INDEXEDIT' /S /JSON "$(winpath "$work/index.json")")
  check "a file left out of its folder's index: exit 1" test "$code" = 1
  check "a file left out of its folder's index: missing from its folder's index" \
    validate "$work/index.json" --exit "$code" not_in_index=1
else
  echo "skipped: no NTFS drive D: (needs root and FUSE)"
fi
if [ -f "$WINEPREFIX/dosdevices/d:/CONFIG/SOFTWARE" ] && [ -f "$WINEPREFIX/dosdevices/d:/CLEAN/SOFTWARE" ] && [ -e "$WINEPREFIX/dosdevices/d::" ]; then
  "$wine" "$tests/registry-scene.exe" set-clean
  code=$(run "$work/reg.out" "$work/reg.err" "$scan" /REGISTRY /JSON "$(winpath "$work/registry.json")")
  check "/REGISTRY on the clean set: exit 0" test "$code" = 0
  check "/REGISTRY on the clean set: no difference, the SOFTWARE file and both API views read" \
    validate "$work/registry.json" --exit "$code" differences_total=0
  check "/REGISTRY on the clean set: what was read and what not, and why" /usr/bin/python3 - "$work/registry.json" <<'PY'
import json, sys
summary = json.loads(open(sys.argv[1]).read().splitlines()[-1])
views = {v["view"]: v for v in summary["views"]}
assert views["hive file SOFTWARE"]["read"] and views["hive file SOFTWARE"]["file"] == "D:\\CLEAN\\SOFTWARE", views
assert views["win32 api"]["read"] and views["native api"]["read"], views
# hivelist names no SYSTEM file here: said so, and its keys not compared.
assert not views["hive file SYSTEM"]["read"] and "hivelist" in views["hive file SYSTEM"]["reason"], views
assert summary["keys_not_compared"] == 3 and summary["keys_compared"] > 0, summary
PY
  "$wine" "$tests/registry-scene.exe" set
  code=$(run "$work/reg-hidden.out" "$work/reg-hidden.err" "$tests/run-hooked.exe" "$(winpath "$tests/ntdll-hider.dll")" \
    "$scan" /REGISTRY /JSON "$(winpath "$work/registry-hidden.json")")
  check "/REGISTRY with values and keys hidden in ntdll: exit 1" test "$code" = 1
  check "/REGISTRY with values and keys hidden: a valid report" \
    validate "$work/registry-hidden.json" --exit "$code" hidden_from_registry_api=4 name_with_embedded_nul=1 \
    changed_since_hive_written=0
  check "/REGISTRY: every hidden value and key found, and the name with a NUL" \
    /usr/bin/python3 - "$work/registry-hidden.json" <<'PY'
import json, sys
lines = [json.loads(line) for line in open(sys.argv[1]).read().splitlines()]
found = {(o["type"], o["key"], o["registry_view"], o["name"], o["code"], tuple(o["views"])) for o in lines[:-1]}
nt = "HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\"
run = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"
ifeo = nt + "Image File Execution Options"
hidden = ("hidden_from_registry_api", ("hive file",))
expected = {
    ("value", nt + "Windows", "64-bit", "AppInit_DLLs") + hidden,
    ("value", run, "64-bit", "QVROOTRUN") + hidden,
    ("key", ifeo, "64-bit", "QVROOT.EXE") + hidden,
    ("key", ifeo, "32-bit", "QVROOT.EXE") + hidden,
    ("value", run, "64-bit", "Nul\0Named", "name_with_embedded_nul", ("hive file", "native api")),
}
assert found == expected, (found ^ expected)
nul = next(o for o in lines if o["code"] == "name_with_embedded_nul")
assert nul["name_utf16"] == "004E0075006C0000004E0061006D00650064" and nul["value_type"] == 1, nul
PY
  "$wine" "$tests/registry-scene.exe" clear
else
  echo "skipped: no SOFTWARE hive file on an NTFS drive D: (needs root, FUSE and hivex)"
fi
check "no work folder is left in the temporary folder" test "$(leftovers)" = "$left_before"
[ "$failures" -eq 0 ]
