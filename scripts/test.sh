#!/usr/bin/env bash
# Builds everything and runs every test with ctest: the native unit tests of the
# core and the Windows-side tests under Wine. Prints the counts of each at the end.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build"

status=0
# Two at a time: the Wine tests wait on Wine much of their time. Those that
# share a Wine session take turns (a resource lock), the speed guard runs alone.
(cd "$build" && ctest --output-on-failure -j2) || status=$?
"$root/scripts/test-counts.sh" "$build/Testing/Temporary/LastTest.log" || true
# The speed guard's figures, from its run in this test run.
sed -n '/Test: wine.speed$/,/^<end of output>/p' "$build/Testing/Temporary/LastTest.log" |
  grep -E 'entries;|enumeration|slowest|Escape to|peak working|Speed guard' || true
exit $status
