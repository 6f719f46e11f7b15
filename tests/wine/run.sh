#!/usr/bin/env bash
# run.sh <build-dir> <program.exe> [arguments...]
# Runs a Windows program in the test run's Wine session (see session.sh) and
# returns its exit code.
set -euo pipefail
build=${1:?build dir}
program=${2:?program}
shift 2
# shellcheck disable=SC1091
source "$build/wine-session/env"
exec /usr/lib/wine/wine64 "$program" "$@"
