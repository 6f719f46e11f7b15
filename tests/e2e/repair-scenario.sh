#!/usr/bin/env bash
# repair-scenario.sh <build-dir>
# The registry repair end to end, in a Wine prefix of its own: the scenarios
# put a stand-in reg.exe (with "save" and "restore") into its system32, and the
# restart of step 1 ends every process of the prefix. So the restart scenario
# is steered from here: step 1 until the restart, a check that it got there,
# then step 2 in a new program after the restart.
set -euo pipefail
build=$(cd "${1:?build dir}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
session=$build/repair
tests=$build/windows/tests
mkdir -p "$session"

# shellcheck source=scripts/wine-lib.sh
source "$here/../../scripts/wine-lib.sh"
start_wine_session "$session"
run() { "$here/../wine/run.sh" "$session" "$@"; }

# Wine starts its built-in reg.exe unless told that the file in system32 is native.
cp "$tests/tools/reg.exe" "$WINEPREFIX/drive_c/windows/system32/reg.exe"
printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\DllOverrides]\r\n"reg.exe"="native"\r\n' \
  >"$session/reg-override.reg"
"$wine" regedit /s "$(winpath "$session/reg-override.reg")"

out=$session/out
mkdir -p "$out"
# Runs one phase, shows its output, and keeps it for the totals.
phase() {
  local name=$1
  shift
  local code=0
  run "$tests/repair_tests.exe" "$@" >"$out/$name" 2>&1 || code=$?
  cat "$out/$name"
  # A program that could not start prints nothing: say so, with its code.
  [ -s "$out/$name" ] || echo "FAILED: $name printed nothing (exit code $code)"
  return $code
}
# The count on a phase's last "[  PASSED  ]" or "[  FAILED  ]" line, 0 without one.
summary() {
  local count
  count=$(sed -n "s/^\[  $2  \] \([0-9]*\) test.*/\1/p" "$out/$1" | tail -n 1)
  echo "${count:-0}"
}

status=0
echo "== repair scenarios without a restart"
phase scenarios || status=1

echo "== step 1, up to the restart"
asked=$WINEPREFIX/drive_c/quarvel-repair/restart-asked
rm -f "$asked"
step1=0
phase step1 step1 || step1=$?
# Wine ends the driver with the rest at the restart, so it prints no summary.
if [ "$step1" -ne 0 ] || [ ! -f "$asked" ]; then
  echo "FAILED: step 1 did not end in a restart (exit code $step1)"
  echo "[  FAILED  ] 1 test, the restart scenario"
  exit 1
fi
# The restart has ended every program of this prefix; wait until the last one
# is gone. Other Wine tests may run beside this one, in a prefix of their own.
ours_running() {
  local pid
  for pid in $(pgrep -f 'quarvel.exe|repair_tests.exe'); do
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && return 0
  done
  return 1
}
for _ in $(seq 1 100); do
  ours_running || break
  sleep 0.2
done

# A restart starts everything anew, the Wine server with it: its start is the
# boot time programs see, which step 2 compares with step 1's.
/usr/lib/wine/wineserver -k 2>/dev/null || true
/usr/lib/wine/wineserver -p </dev/null >/dev/null 2>&1

echo "== step 2, after the restart"
phase after-restart after-restart || status=1

# One summary for the whole script (the restart scenario counts once, in step 2).
passed=$(( $(summary scenarios PASSED) + $(summary after-restart PASSED) ))
failed=$(( $(summary scenarios FAILED) + $(summary after-restart FAILED) ))
echo "[  PASSED  ] $passed tests."
[ "$failed" -eq 0 ] || echo "[  FAILED  ] $failed tests."
exit $status
