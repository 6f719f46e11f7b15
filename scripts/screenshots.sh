#!/usr/bin/env bash
# Regenerates the README's screenshots in docs/: the details tip over the list of
# seen files and the context menu of the unseen ones, taken by the UI driver.
set -euo pipefail
# shellcheck source=scripts/wine-lib.sh
source "$(dirname "$0")/wine-lib.sh"
build_windows
start_wine_session "$build"
shots=$build/screenshots
rm -rf "$shots" && mkdir -p "$shots/work"
"$root/tests/wine/run.sh" "$build" "$build/windows/tests/drive-tour.exe" \
  "$(winpath "$build/windows/bin/quarvel.exe")" "$(winpath "$shots/work")" 'C:\tour' "$(winpath "$shots")"
for shot in details-tip context-menu; do
  convert "$shots/$shot.bmp" -crop 1000x740+0+0 +repage "$root/docs/$shot.png"
done
