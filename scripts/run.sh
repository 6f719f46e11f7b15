#!/usr/bin/env bash
# The main job: builds quarvel.exe, starts it under Wine on a virtual display,
# runs the default scan (the system folder, "*.dll") through its window with the
# UI driver, prints what the result lists show, and saves a screenshot of the
# window as build/quarvel-window.png.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build

"$root/scripts/install-deps.sh" >/dev/null
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target windows >/dev/null

"$root/tests/wine/session.sh" start "$build" >/dev/null
trap '"$root/tests/wine/session.sh" stop "$build"' EXIT

winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
work=$build/main-job
rm -rf "$work" && mkdir -p "$work"
"$root/tests/wine/run.sh" "$build" "$build/windows/tests/drive-scan.exe" \
  "$(winpath "$build/windows/bin/quarvel.exe")" "$(winpath "$work")" "$(winpath "$work/window.bmp")"
convert "$work/window.bmp" "$build/quarvel-window.png"
echo
echo "Screenshot of the window: $build/quarvel-window.png"
