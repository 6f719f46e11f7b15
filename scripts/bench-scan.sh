#!/usr/bin/env bash
# Speed of a scan under Wine: prints figures and ratios (see tests/bench).
#   scripts/bench-scan.sh [folders files_per_folder]     default: 50 1000
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build

"$root/scripts/install-deps.sh" >/dev/null
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target windows >/dev/null

"$root/tests/wine/session.sh" start "$build" >/dev/null
trap '"$root/tests/wine/session.sh" stop "$build"' EXIT
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
# The tree goes on drive C: of the throwaway prefix.
"$root/tests/wine/run.sh" "$build" "$build/windows/tests/scan-benchmark.exe" \
  "$(winpath "$build/windows/bin/quarvel.exe")" 'C:\quarvel-bench' "${1:-50}" "${2:-1000}"
