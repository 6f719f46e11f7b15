#!/usr/bin/env bash
# wine-drive.sh mount|unmount <state-dir> <wine-prefix>
# Drive D: of the test prefix as an NTFS volume: an image made with mkntfs and
# filled through ntfs-3g, mounted read-only as the folder behind "D:" and given
# as the image itself to "\\.\D:" (dosdevices/d::), so the lister can read its
# MFT raw. Needs root and FUSE; without them D: is simply not there, and the
# scenarios that need it say they were skipped.
set -euo pipefail
action=${1:?mount or unmount}
state=${2:?state dir}
prefix=${3:-}
here=$(cd "$(dirname "$0")" && pwd)
image=$state/ntfs-d.img
mnt=$state/ntfs-d

# Read from the mount table, not by `mountpoint`: a FUSE mount whose daemon died
# (a machine restarted under a run) cannot be stat'ed, yet must still go.
mounted() { awk -v m="$mnt" '$2 == m { found = 1 } END { exit !found }' /proc/mounts; }

unmount() {
  if mounted; then umount "$mnt" 2>/dev/null || umount -l "$mnt" || true; fi
}

mount_drive() {
  unmount
  if [ "$(id -u)" -ne 0 ] || ! (exec 3<>/dev/fuse) 2>/dev/null; then return 0; fi
  for tool in mkntfs ntfs-3g python3; do command -v "$tool" >/dev/null || return 0; done
  mkdir -p "$mnt"
  rm -f "$image"
  truncate -s 64M "$image"
  mkntfs -q -F -f "$image" 2>/dev/null
  ntfs-3g "$image" "$mnt"
  # Debian's Python, which has the hivex bindings.
  /usr/bin/python3 "$here/fill_wine_drive.py" "$mnt"
  umount "$mnt"  # everything written to the image
  python3 "$here/drop_index_entry.py" "$image" INDEXEDIT GHOST.DLL
  ntfs-3g -o ro "$image" "$mnt"
  ln -sfn "$mnt" "$prefix/dosdevices/d:"
  ln -sfn "$image" "$prefix/dosdevices/d::"
}

case $action in
  mount) mount_drive ;;
  unmount) unmount ;;
  *) echo "usage: $0 mount|unmount <state-dir> <wine-prefix>" >&2; exit 2 ;;
esac
