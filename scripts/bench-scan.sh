#!/usr/bin/env bash
# Speed of a scan under Wine: prints figures and ratios (see tests/bench).
#   scripts/bench-scan.sh [folders files_per_folder]     default: 50 1000
set -euo pipefail
source "$(dirname "$0")/wine-build.sh"
# The tree goes on drive C: of the throwaway prefix.
"$root/tests/wine/run.sh" "$build" "$build/windows/tests/scan-benchmark.exe" \
  "$(winpath "$build/windows/bin/quarvel.exe")" 'C:\quarvel-bench' "${1:-50}" "${2:-1000}"
