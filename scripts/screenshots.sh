#!/usr/bin/env bash
# Regenerates the README's screenshots in docs/: the details tip over the list of
# seen files and the context menu of the unseen ones, taken by the UI driver.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build

"$root/scripts/install-deps.sh" >/dev/null
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target windows >/dev/null

"$root/tests/wine/session.sh" start "$build" >/dev/null
trap '"$root/tests/wine/session.sh" stop "$build"' EXIT
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
shots=$build/screenshots
rm -rf "$shots" && mkdir -p "$shots/work"
"$root/tests/wine/run.sh" "$build" "$build/windows/tests/drive-tour.exe" \
  "$(winpath "$build/windows/bin/quarvel.exe")" "$(winpath "$shots/work")" 'C:\tour' "$(winpath "$shots")"
for shot in details-tip context-menu; do
  convert "$shots/$shot.bmp" -crop 1000x740+0+0 +repage "$root/docs/$shot.png"
done
