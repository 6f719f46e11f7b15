#!/usr/bin/env bash
# The volume view at the scale of a system drive: writes an NTFS image of
# RECORDS user records (default 5,000,000) with make-ntfs-image, then measures,
# one run each after one that warms the page cache:
#   natively   ntfs-list --stats: the index read from the image (wall and CPU
#              time, records a second, the index's bytes per record, peak
#              memory), 25,000 records read again by reference alone, and
#              Windows\System32 listed through its own $I30 index (bytes read)
#   under Wine the lister's raw view of the whole volume (drive Q:, its volume
#              the image, its tree an empty folder): when its parse ended (its
#              listing's first byte), wall time, peak memory of the Wine
#              process that ran it, and the lines it wrote; then
#              Windows\System32 without subfolders (/NR), through its own index
# No root needed. The image (about 7 GB, sparse) is kept in build/ntfs-bench.
#   scripts/bench-ntfs-scale.sh [records]
set -euo pipefail
records=${1:-5000000}
# shellcheck source=scripts/wine-lib.sh
source "$(dirname "$0")/wine-lib.sh"
build_windows
cmake --build "$build" --target make-ntfs-image ntfs-list >/dev/null
work=$build/ntfs-bench
image=$work/generated-$records.img
mkdir -p "$work"
if [ ! -f "$image" ]; then
  start=$(date +%s%N)
  "$build/make-ntfs-image" "$image.part" "$records" 7
  mv "$image.part" "$image"
  echo "image written in $(( ($(date +%s%N) - start) / 1000000 )) ms"
fi

timed() {  # label, command...: wall s, user s, system s, peak KiB
  local label=$1
  shift
  /usr/bin/time -f "$label: %e s wall, %U s user, %S s system, peak %M KiB" -o "$work/time.txt" "$@"
  cat "$work/time.txt"
}
"$build/ntfs-list" --stats "$image" >/dev/null 2>&1
timed "ntfs-list --stats" "$build/ntfs-list" --stats "$image" 2>"$work/stats-counts.txt"
sed 's/^/  /' "$work/stats-counts.txt"
# One folder without subfolders through its own $I30 index and the records it names.
"$build/ntfs-list" --via-index "$image" Windows/System32 2>&1 >/dev/null | sed 's/^/through its index: /'

start_wine_session "$build"
empty=$work/empty-tree
mkdir -p "$empty" "$work/lister-work"
ln -sfn "$empty" "$WINEPREFIX/dosdevices/q:"
ln -sfn "$image" "$WINEPREFIX/dosdevices/q::"
lister=$build/windows/bin/locate.exe
list() { (cd "$work/lister-work" && /usr/lib/wine/wine64 "$lister" 'Q:\*.*' '>raw.txt' </dev/null >/dev/null 2>&1); }
list
# The warm-up's output is deleted and the deletion written back before the
# timed run, not in it: the lister would otherwise delete the warm-up's 0.75 GB
# itself as it starts, and on a file system mounted with "discard" (this
# machine's) that alone delayed its parse by about a second.
rm -f "$work/lister-work/raw.txt" "$work/lister-work/raw-views.txt"
sync
# The walk writes nothing before the whole MFT is read and its index built, so
# the first byte of the listing (its first 64 KiB, written after the walk's
# first folders) marks the end of the parse (polled every 10 ms).
# One poller, which stops at the first byte: a shell loop would start a
# process every 10 ms for the whole run, on the core the walk runs beside.
python3 -c '
import os, sys, time
path, started = sys.argv[1], int(sys.argv[2]) / 1e9
while not (os.path.exists(path) and os.path.getsize(path) > 0):
    if time.time() - started > 3600: sys.exit()
    time.sleep(0.01)
print(round((time.time() - started) * 1000))' "$work/lister-work/raw.txt" "$(date +%s%N)" >"$work/parsed.txt" &
poller=$!
timed "lister raw view under Wine" bash -c "cd '$work/lister-work' && /usr/lib/wine/wine64 '$lister' 'Q:\\*.*' '>raw.txt' </dev/null >/dev/null 2>&1"
kill "$poller" 2>/dev/null || true
wait "$poller" 2>/dev/null || true
parsed=$(cat "$work/parsed.txt")
echo "  the MFT read and its index built (the listing's first byte, Wine's start included) after ${parsed:-?} ms"
echo "  $(grep -c '' "$work/lister-work/raw.txt") listing lines; views file: $(grep '^V' "$work/lister-work/raw-views.txt" | tr '\t' ' ')"
rm -f "$work/lister-work/one.txt" "$work/lister-work/one-views.txt"
sync
timed "lister, Windows/System32 without subfolders" bash -c "cd '$work/lister-work' && /usr/lib/wine/wine64 '$lister' 'Q:\\Windows\\System32\\*.*' /NR '>one.txt' </dev/null >/dev/null 2>&1"
echo "  $(grep -c '' "$work/lister-work/one.txt") listing lines; views file: $(grep '^V' "$work/lister-work/one-views.txt" | tr '\t' ' ')"
rm -f "$WINEPREFIX/dosdevices/q:" "$WINEPREFIX/dosdevices/q::"
