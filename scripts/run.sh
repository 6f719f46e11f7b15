#!/usr/bin/env bash
# The main job: builds quarvel.exe, starts it under Wine on a virtual display,
# runs the default scan (the system folder, "*.dll") through its window with the
# UI driver, prints what the result lists show, and saves a screenshot of the
# window as build/quarvel-window.png.
set -euo pipefail
# shellcheck source=scripts/wine-lib.sh
source "$(dirname "$0")/wine-lib.sh"
build_windows
start_wine_session "$build"

work=$build/main-job
rm -rf "$work" && mkdir -p "$work"
"$root/tests/wine/run.sh" "$build" "$build/windows/tests/drive-scan.exe" \
  "$(winpath "$build/windows/bin/quarvel.exe")" "$(winpath "$work")" "$(winpath "$work/window.bmp")"
convert "$work/window.bmp" "$build/quarvel-window.png"
echo
echo "Screenshot of the window: $build/quarvel-window.png"
