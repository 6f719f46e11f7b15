#!/usr/bin/env bash
# run.sh <build-dir> <program.exe> [arguments...]
# Runs a Windows program in the test run's Wine session (see session.sh) and
# returns its exit code. Its output goes through a file: a process it leaves
# behind (an explorer window the shell opened, say) must not hold the caller's
# pipe open; the session's end stops such processes.
set -euo pipefail
build=${1:?build dir}
program=${2:?program}
shift 2
# shellcheck disable=SC1091
source "$build/wine-session/env"
output=$(mktemp)
trap 'rm -f "$output"' EXIT
status=0
/usr/lib/wine/wine64 "$program" "$@" >"$output" 2>&1 </dev/null || status=$?
cat "$output"
exit $status
