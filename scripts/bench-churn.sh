#!/usr/bin/env bash
# Scans of a volume that changes under them: a writer on the Linux side creates,
# renames, deletes, hides and unhides files on an NTFS image mounted read-write,
# while quarvel-scan reads the same image raw (see tests/churn/churn-scenario.sh).
# Prints the writer's rate, the scans, the false accusations and the misses.
#   scripts/bench-churn.sh [scans] [seconds]      default: 4 10
# Needs root (FUSE).
set -euo pipefail
source "$(dirname "$0")/wine-build.sh"
"$root/tests/churn/churn-scenario.sh" "$build" "${1:-4}" "${2:-10}"
