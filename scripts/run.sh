#!/usr/bin/env bash
# The main job: builds the Windows programs and runs the lister over the Windows
# system folder (filter *.dll, this folder only) under Wine, printing its listing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build

"$root/scripts/install-deps.sh" >/dev/null
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target windows >/dev/null

"$root/tests/wine/session.sh" start "$build" >/dev/null
trap '"$root/tests/wine/session.sh" stop "$build"' EXIT
"$root/tests/wine/run.sh" "$build" "$build/windows/bin/locate.exe" 'C:\windows\system32\*.dll' /NR
