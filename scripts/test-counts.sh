#!/usr/bin/env bash
# test-counts.sh <LastTest.log>
# Sums what the test programs themselves report: the native unit tests (one ctest
# entry each) and the Windows-side test programs run under Wine (one ctest entry
# per program, many tests inside; its last summary counts, since a test that
# starts the program again as a child prints the child's summary first).
# Then the lines of product code, of tests and of the test harness (the UI
# driver, recording hosts, temporary folders, hiders, tools, the Wine session),
# with the tests' share of all code.
set -euo pipefail
log=${1:?ctest log}
root=$(cd "$(dirname "$0")/.." && pwd)
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

# Lines of the files git knows under the given paths.
lines() { (cd "$root" && git ls-files -z -- "$@" | xargs -0 -r cat | wc -l); }
product=$(lines 'app/*' 'core/*' 'platform/*' 'ui/*' 'lister/*' 'console/*')
harness_paths=('tests/support/*' 'tests/wine/*')
tests_all=$(lines 'tests/*.cpp' 'tests/*.h' 'tests/*.c' 'tests/*.sh' 'tests/*.py')
harness=$(lines "${harness_paths[@]}")
tests=$((tests_all - harness))
awk -v p="$product" -v t="$tests" -v h="$harness" 'BEGIN {
  printf "lines: product %d, tests %d, test harness %d; tests and harness are %.0f%% of all\n", p, t, h, 100 * (t + h) / (p + t + h) }'
