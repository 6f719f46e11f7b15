#!/usr/bin/env bash
# Speed of the NTFS reader: makes an image of FILES files (default 200,000)
# through ntfs-3g, then times our ntfs-list against The Sleuth Kit's fls over
# it (median of three warm runs each) and prints the ratio. Needs root (FUSE).
#   scripts/bench-ntfs.sh [files] [image size]      default: 200000 1G
# The image is kept in build/ntfs-bench and reused when it has that many files.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
files=${1:-200000}
size=${2:-1G}
work=$build/ntfs-bench
image=$work/files-$files.img

"$root/scripts/install-deps.sh" >/dev/null
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target ntfs-list >/dev/null

mkdir -p "$work/mnt"
if [ ! -f "$image" ]; then
  echo "making $image ($size, $files files; this takes a few minutes)"
  rm -f "$work"/*.img
  truncate -s "$size" "$image.part"
  mkntfs -q -F -f "$image.part" 2>/dev/null
  ntfs-3g "$image.part" "$work/mnt"
  trap 'umount "$work/mnt"' EXIT
  python3 "$root/tests/ntfs/fill_volume.py" "$work/mnt" "$files" 7
  umount "$work/mnt"
  trap - EXIT
  mv "$image.part" "$image"
fi

source "$(dirname "$0")/median-ms.sh"

entries=$("$build/ntfs-list" "$image" 2>/dev/null | wc -l)
ours=$(median_ms "$build/ntfs-list" "$image")
fls_paths=$(median_ms fls -r -p "$image")
fls_plain=$(median_ms fls -r "$image")
echo "image: $image, $entries entries listed"
"$build/ntfs-list" "$image" 2>&1 >/dev/null | sed 's/^/  /'
printf '%-28s %8s ms\n' "ntfs-list (paths)" "$ours" "fls -r -p (paths)" "$fls_paths" "fls -r" "$fls_plain"
if [ -x /usr/bin/time ]; then
  /usr/bin/time -f '%M' -o "$work/peak-kb" "$build/ntfs-list" "$image" >/dev/null 2>&1
  echo "ntfs-list peak memory: $(( $(cat "$work/peak-kb") / 1024 )) MiB"
fi
awk -v a="$ours" -v b="$fls_paths" -v c="$fls_plain" \
  'BEGIN { printf "ratio ntfs-list / fls -r -p: %.2f; ntfs-list / fls -r: %.2f (goal: within 2)\n", a / b, a / c }'
