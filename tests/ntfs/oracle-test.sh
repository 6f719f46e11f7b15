#!/usr/bin/env bash
# Proves the NTFS reader against an independent one: makes NTFS images with
# mkntfs, fills them through ntfs-3g (FUSE), and compares ntfs-list's listing of
# each with The Sleuth Kit's (fls for every path, ils for every size, istat and
# icat for the facts of ISTAT_SAMPLE records an image, 0 for all of them: istat
# is a process per record, and all of them take some six minutes), then damages
# one of them. Exits 77 (skipped) when not root or FUSE is not there.
#
# usage: oracle-test.sh NTFS_LIST WORK_DIR [ISTAT_SAMPLE]
set -euo pipefail
ntfs_list=$1
work=$2
istat_sample=${3:-0}
here=$(cd "$(dirname "$0")" && pwd)

if [ "$(id -u)" -ne 0 ] || ! (exec 3<>/dev/fuse) 2>/dev/null; then
  echo "SKIP: mounting an image through ntfs-3g needs root and /dev/fuse"
  exit 77
fi
for tool in mkntfs ntfs-3g fls ils istat icat python3; do
  command -v "$tool" >/dev/null || { echo "missing $tool: run scripts/install-deps.sh"; exit 1; }
done

rm -rf "$work"
mkdir -p "$work/mnt"
mounted=""
cleanup() { if [ -n "$mounted" ]; then umount "$work/mnt" || umount -l "$work/mnt"; fi; }
trap cleanup EXIT

# image name, size, cluster size, files, seed, fewest $MFT runs expected, further checks
check_image() {
  local name=$1 size=$2 cluster=$3 files=$4 seed=$5 mft_runs=$6
  shift 6
  local image=$work/$name.img
  echo "== $name: $size, $cluster-byte clusters, $files files"
  truncate -s "$size" "$image"
  mkntfs -q -F -f -c "$cluster" "$image" 2>/dev/null
  ntfs-3g "$image" "$work/mnt"
  mounted=yes
  python3 "$here/fill_volume.py" "$work/mnt" "$files" "$seed"
  umount "$work/mnt"
  mounted=""
  "$ntfs_list" "$image" >"$work/$name.list" 2>"$work/$name.counts"
  python3 "$here/compare_with_tsk.py" "$image" "$work/$name.list" "$work/$name.counts" \
    --require-mft-runs "$mft_runs" --require-extensions --istat-sample "$istat_sample" "$@"
}

# 512-byte clusters: every 1 KiB record spans two clusters, and a fragment of
# the MFT may split a record between two runs.
check_image small-clusters 20M 512 4000 1 10
check_image default-clusters 40M 4096 5000 2 5
python3 "$here/damage_check.py" "$ntfs_list" "$work/default-clusters.img" "$work/default-clusters.list" "$work"
# So many MFT fragments that record 0 cannot hold their runs: ntfs-3g moves
# $MFT's $DATA partly into an extension record, named by an attribute list.
check_image mft-attribute-list 64M 4096 16000 3 300 --require-mft-attribute-list
echo "oracle: every image matched"
