#!/usr/bin/env bash
# Speed of the lister's raw view: over an NTFS image of FILES files (default
# 200,000; made and kept by bench-ntfs.sh), the lister reading the image's MFT
# raw (drive D: of a Wine prefix), The Sleuth Kit's fls -r over the same image,
# and the lister reading the mounted tree through the NT directory query.
# Median of three runs each, after one that warms the caches. Needs root (FUSE).
#   scripts/bench-raw-lister.sh [files]
set -euo pipefail
files=${1:-200000}
"$(dirname "$0")/bench-ntfs.sh" "$files"
source "$(dirname "$0")/wine-build.sh"
image=$build/ntfs-bench/files-$files.img
mnt=$build/ntfs-bench/lister-mnt
mkdir -p "$mnt"
ntfs-3g -o ro "$image" "$mnt"
trap 'umount "$mnt"; "$root/tests/wine/session.sh" stop "$build"' EXIT
source "$build/wine-session/env"
ln -sfn "$mnt" "$WINEPREFIX/dosdevices/q:"
ln -sfn "$image" "$WINEPREFIX/dosdevices/q::"
work=$build/ntfs-bench/lister-work
mkdir -p "$work"
lister=$build/windows/bin/locate.exe

median_ms() {
  "$@" >/dev/null 2>&1
  local times=()
  for _ in 1 2 3; do
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    times+=($(((end - start) / 1000000)))
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n 2p
}
list() { (cd "$work" && /usr/lib/wine/wine64 "$lister" "$1" ">$2" </dev/null >/dev/null 2>&1); }

raw=$(median_ms list 'Q:\*.*' raw.txt)
queried=$(median_ms list "$(winpath "$mnt")\\*.*" queried.txt)
fls_ms=$(median_ms fls -r "$image")
echo "lister, raw MFT (Q:)               $raw ms   $(grep -c '' "$work/raw.txt") lines"
echo "lister, NT directory query (mount) $queried ms   $(grep -c '' "$work/queried.txt") lines"
echo "fls -r (native)                    $fls_ms ms"
awk -v r="$raw" -v q="$queried" -v f="$fls_ms" \
  'BEGIN { printf "raw/fls %.2f (goal: within 2), raw/query %.2f (goal: at most 1)\n", r / f, r / q }'
