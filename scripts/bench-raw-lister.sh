#!/usr/bin/env bash
# Speed of the lister's views over an NTFS image of FILES files (default
# 200,000; made and kept by bench-ntfs.sh), drive Q: of a Wine prefix, median of
# three runs each after one that warms the caches. Needs root (FUSE).
#   raw view      Q:'s volume is the image (\\.\Q:) and its tree an empty
#                 folder: every file comes from the MFT alone
#   both views    Q:'s tree is the image mounted through ntfs-3g: the MFT,
#                 checked against the directory query (what a scan does here)
#   query view    the mounted tree with no volume behind Q:: the directory
#                 query alone
#   fls -r        The Sleuth Kit over the image (native)
# Under Wine the directory query over the FUSE mount reads an extended
# attribute per file, which ntfs-3g answers slowly: that half dominates here.
#   scripts/bench-raw-lister.sh [files]
set -euo pipefail
files=${1:-200000}
"$(dirname "$0")/bench-ntfs.sh" "$files"
# shellcheck source=scripts/wine-lib.sh
source "$(dirname "$0")/wine-lib.sh"
build_windows
start_wine_session "$build"
image=$build/ntfs-bench/files-$files.img
mnt=$build/ntfs-bench/lister-mnt
mkdir -p "$mnt"
ntfs-3g -o ro "$image" "$mnt"
at_exit "umount '$mnt'"
empty=$build/ntfs-bench/empty-tree
mkdir -p "$empty"
work=$build/ntfs-bench/lister-work
mkdir -p "$work"
lister=$build/windows/bin/locate.exe

source "$(dirname "$0")/median-ms.sh"
list() { (cd "$work" && /usr/lib/wine/wine64 "$lister" "$1" ">$2" </dev/null >/dev/null 2>&1); }

# Drive Q: with the tree $1 and, when $2 is given, the volume $2 behind it.
volume() {
  ln -sfn "$1" "$WINEPREFIX/dosdevices/q:"
  rm -f "$WINEPREFIX/dosdevices/q::"
  if [ -n "$2" ]; then ln -sfn "$2" "$WINEPREFIX/dosdevices/q::"; fi
}
volume "$empty" "$image"
raw=$(median_ms list 'Q:\*.*' raw.txt)
volume "$mnt" "$image"
both=$(median_ms list 'Q:\*.*' both.txt)
volume "$mnt" ""
queried=$(median_ms list 'Q:\*.*' queried.txt)
fls_ms=$(median_ms fls -r "$image")
same() {
  if [ "$(sort "$work/$1")" = "$(sort "$work/raw.txt")" ]; then echo "same lines as the raw view"
  else echo "lines differ from the raw view"; fi
}
echo "lister, raw view (MFT only)          $raw ms   $(grep -c '' "$work/raw.txt") lines"
echo "lister, both views (MFT and query)   $both ms   $(same both.txt)"
echo "lister, query view (mounted tree)    $queried ms   $(grep -c '' "$work/queried.txt") lines"
echo "fls -r (native)                      $fls_ms ms"
awk -v r="$raw" -v b="$both" -v q="$queried" -v f="$fls_ms" 'BEGIN {
  printf "raw/fls %.2f (goal: within 2), raw/query %.2f (goal: at most 1), both/query %.2f\n", r / f, r / q, b / q }'
