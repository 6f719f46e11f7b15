#!/usr/bin/env bash
# churn-scenario.sh <build-dir> <scans> <seconds> [--guard]
# Scans of a live NTFS volume: drive D: of the test prefix becomes an image of
# its own, mounted read-write through ntfs-3g (the folder behind "D:") and read
# raw by the lister through "\\.\D:". A stable set of visible, hidden and system
# files lies in a few folders; in one of them a writer on the Linux side creates,
# renames, deletes, hides and unhides files for <seconds> while
# `quarvel-scan D:\ /FILTER *.DLL /S /JSON` runs. <scans> scans with no hider,
# then one with the ntdll hider in quarvel-scan and its lister, which drops the
# stable files named QVROOT... from every directory query. Prints each scan's
# figures and the totals (tests/churn/churn_tree.py says what counts as a
# false accusation and a miss); with --guard, fails on any of them.
# Needs root and FUSE (exit 77, skipped, without them); the session's own
# drive D: is put back at the end.
set -euo pipefail
build=$(cd "${1:?build dir}" && pwd)
scans=${2:?scans}
seconds=${3:?seconds}
guard=${4:-}
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck disable=SC1091
source "$build/wine-session/env"
wine=/usr/lib/wine/wine64
python=/usr/bin/python3
tests=$build/windows/tests
scan=$build/windows/bin/quarvel-scan.exe
schema=$here/../../schemas/quarvel-scan.schema.json
work=$build/churn-scenario
image=$work/churn.img
mnt=$work/mnt
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }

if [ "$(id -u)" -ne 0 ] || ! (exec 3<>/dev/fuse) 2>/dev/null; then
  echo "skipped: a read-write NTFS drive needs root and FUSE"
  exit 77
fi
for tool in mkntfs ntfs-3g; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done

# Read from the mount table, not by `mountpoint`: a FUSE mount whose daemon died
# cannot be stat'ed, yet must still go.
mounted() { awk -v m="$mnt" '$2 == m { found = 1 } END { exit !found }' /proc/mounts; }
unmount() { if mounted; then umount "$mnt" 2>/dev/null || umount -l "$mnt" || true; fi; }

drive=$WINEPREFIX/dosdevices/d:
volume=$WINEPREFIX/dosdevices/d::
old_drive=$(readlink "$drive" || true)
old_volume=$(readlink "$volume" || true)
restore() {
  if [ -n "$old_drive" ]; then ln -sfn "$old_drive" "$drive"; else rm -f "$drive"; fi
  if [ -n "$old_volume" ]; then ln -sfn "$old_volume" "$volume"; else rm -f "$volume"; fi
  unmount
}
trap restore EXIT

unmount
rm -rf "$work"
mkdir -p "$mnt"
truncate -s 128M "$image"
mkntfs -q -F -f "$image" >/dev/null 2>&1
ntfs-3g "$image" "$mnt"
"$python" "$here/churn_tree.py" plant "$mnt" "$work/stable.json"
ln -sfn "$mnt" "$drive"
ln -sfn "$image" "$volume"

writers=()
total=$((scans + 1))
for i in $(seq 1 "$total"); do
  hooked=()
  hider_flag=()
  if [ "$i" -eq "$total" ]; then
    hooked=("$tests/run-hooked.exe" "$(winpath "$tests/ntdll-hider.dll")")
    hider_flag=(--hider)
  fi
  # Each writer its own names (W1..., W2...), so every name touched is known.
  prefix=W$(printf '%X' "$i")
  writer_report=$work/writer-$i.json
  started=$work/started-$i
  "$python" "$here/churn_writer.py" "$mnt/CHURN" "$seconds" --prefix "$prefix" --seed "$i" \
    --started "$started" --report "$writer_report" &
  writer=$!
  for _ in $(seq 1 100); do
    [ -e "$started" ] || ! kill -0 "$writer" 2>/dev/null && break
    sleep 0.1
  done
  code=0
  timeout -k 10 300 "$wine" "${hooked[@]}" "$scan" 'D:\' /FILTER '*.DLL' /S /JSON "$(winpath "$work/scan-$i.json")" \
    >"$work/scan-$i.out" 2>"$work/scan-$i.err" </dev/null || code=$?
  if ! kill -0 "$writer" 2>/dev/null; then
    echo "note: the writer ended before scan $i did; write for longer than a scan takes"
  fi
  wait "$writer"
  writers+=("$writer_report")
  if [ -s "$work/scan-$i.err" ]; then sed 's/^/  quarvel-scan: /' "$work/scan-$i.err"; fi
  "$python" "$here/churn_tree.py" judge --scan "$i" "${hider_flag[@]}" --schema "$schema" \
    "$work/stable.json" "$work/scan-$i.json" "$code" "$work/results.jsonl" "${writers[@]}"
done
"$python" "$here/churn_tree.py" total ${guard:+--guard} "$work/results.jsonl" "${writers[@]}"
