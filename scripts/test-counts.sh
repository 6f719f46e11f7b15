#!/usr/bin/env bash
# test-counts.sh <LastTest.log>
# Sums what the test programs themselves report: the native unit tests (one ctest
# entry each) and the Windows-side test programs run under Wine (one ctest entry
# per program, many tests inside; its last summary counts, since a test that
# starts the program again as a child prints the child's summary first).
set -euo pipefail
log=${1:?ctest log}
awk '
  /^[0-9]+\/[0-9]+ Test: / { name = $3; next }
  /^\[  PASSED  \] [0-9]+ test/ {
    if (name ~ /^native\./) native_passed += $4; else if (name ~ /^wine\./) wine[name] = $4
  }
  /^\[  FAILED  \] [0-9]+ test/ {
    if (name ~ /^native\./) native_failed += $4; else if (name ~ /^wine\./) wine_failed[name] = $4
  }
  END {
    printf "native unit tests: %d passed, %d failed\n", native_passed, native_failed
    for (n in wine) { printf "wine %s: %d passed, %d failed\n", n, wine[n], wine_failed[n]; wp += wine[n]; wf += wine_failed[n] }
    printf "Windows-side tests under Wine: %d passed, %d failed\n", wp, wf
  }' "$log"
