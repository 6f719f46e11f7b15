#!/usr/bin/env bash
# Speed of a scan under Wine: prints figures and ratios (see tests/bench).
#   scripts/bench-scan.sh [folders files_per_folder] [--no-reference]   default: 50 1000
# A whole drive: scripts/bench-scan.sh 500 1000 --no-reference
set -euo pipefail
# shellcheck source=scripts/wine-lib.sh
source "$(dirname "$0")/wine-lib.sh"
build_windows
start_wine_session "$build"
folders=${1:-50}
files=${2:-1000}
shift $(( $# < 2 ? $# : 2 ))
# The tree goes on drive C: of the throwaway prefix.
"$root/tests/wine/run.sh" "$build" "$build/windows/tests/scan-benchmark.exe" \
  "$(winpath "$build/windows/bin/quarvel.exe")" 'C:\quarvel-bench' "$folders" "$files" "$@"
