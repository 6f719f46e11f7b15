#!/usr/bin/env bash
# Proves the image generator against two independent readers on a small image:
# The Sleuth Kit (every path with fls, records with istat, through
# compare_with_tsk.py with ntfs-list's listing) and ntfs-3g's own tools, which
# find sampled paths through the folders' $I30 B-trees (so the keys must be in
# collation order and the tree well formed).
#
# usage: generated-test.sh MAKE_NTFS_IMAGE NTFS_LIST WORK_DIR
set -euo pipefail
make_image=$1
ntfs_list=$2
work=$3
here=$(cd "$(dirname "$0")" && pwd)
for tool in fls istat icat ntfsinfo python3; do
  command -v "$tool" >/dev/null || { echo "missing $tool: run scripts/install-deps.sh"; exit 1; }
done
rm -rf "$work"
mkdir -p "$work"
image=$work/generated.img
"$make_image" "$image" 2500 5
"$ntfs_list" "$image" >"$work/generated.list" 2>"$work/generated.counts"
python3 "$here/compare_with_tsk.py" "$image" "$work/generated.list" "$work/generated.counts" \
  --require-mft-runs 2 --istat-sample 150

# Every 50th path, and every path of the 2-level System32 index, looked up by name.
problems=0
looked=0
while IFS=$'\t' read -r path record _; do
  found=$(ntfsinfo -F "/$path" "$image" 2>/dev/null | sed -n 's/^Dumping Inode \([0-9]*\).*/\1/p')
  looked=$((looked + 1))
  if [ "$found" != "$record" ]; then
    echo "DIFFERENCE: ntfsinfo finds /$path at record '${found}', ntfs-list at $record"
    problems=$((problems + 1))
  fi
done < <(awk -F'\t' 'NR % 50 == 0 || $1 ~ /^Windows\/System32\// && NR % 5 == 0' "$work/generated.list")
echo "ntfsinfo: $looked paths looked up through the indexes, $problems differences"
[ "$problems" -eq 0 ] || exit 1

# Every folder read through its own $I30 index and the records it names gives
# exactly the listing the whole-MFT index gives.
"$ntfs_list" --via-index "$image" 2>"$work/via-index.counts" | sort >"$work/via-index.sorted"
sort "$work/generated.list" >"$work/generated.sorted"
if ! cmp -s "$work/via-index.sorted" "$work/generated.sorted"; then
  echo "DIFFERENCE: the listing through the folders' indexes differs from the whole-MFT listing:"
  diff "$work/via-index.sorted" "$work/generated.sorted" | head -20
  exit 1
fi
echo "via the indexes: the same $(grep -c '' "$work/generated.sorted") lines; $(cat "$work/via-index.counts")"
