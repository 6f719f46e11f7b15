#!/usr/bin/env bash
# Proves the hive reader against three independent readers: hives written with
# hivex (Python bindings, hivexregedit --merge, hivexsh -w) and reshaped into
# the forms hivex never writes (big data, li/lf/ri lists) are read by
# hive-dump, hivexregedit --export, regfexport and reglookup, and every key and
# value must agree. Then the transaction logs: from hive H0 and H1 (H0 plus
# changes, written by hivex), logs of the pages they differ in (old and new
# format, one log or split across two); hive-dump of the dirty H0 with a log
# must equal every reader's view of H1, and a log whose sequence numbers do not
# follow the primary's must leave H0 as it was.
#
# usage: oracle-test.sh HIVE_DUMP WORK_DIR
set -euo pipefail
dump=$1
work=$2
here=$(cd "$(dirname "$0")" && pwd)
py=/usr/bin/python3  # Debian's, where python3-hivex lives

for tool in hivexregedit hivexsh regfexport reglookup; do
  command -v "$tool" >/dev/null || { echo "missing $tool: run scripts/install-deps.sh"; exit 1; }
done
$py -c 'import hivex' 2>/dev/null || { echo "missing python3-hivex: run scripts/install-deps.sh"; exit 1; }

rm -rf "$work"
mkdir -p "$work"

# Every reader's view of HIVE against hive-dump's listing OURS.
against_readers() {
  local hive=$1 ours=$2 name=$3
  hivexregedit --export "$hive" '\' >"$work/$name.reg" 2>/dev/null
  regfexport "$hive" >"$work/$name.regf" 2>/dev/null
  reglookup "$hive" >"$work/$name.csv" 2>/dev/null
  $py "$here/compare_hive.py" "$ours" "$work/$name.reg" "$work/$name.regf" "$work/$name.csv"
}

echo "== filled: big values, 1,200 subkeys, lf/li/ri lists, deleted cells, merged keys"
$py "$here/fill_hive.py" "$work/filled.hive" 1 1200 --lists
"$dump" "$work/filled.hive" >"$work/filled.ours"
against_readers "$work/filled.hive" "$work/filled.ours" filled
# The comparison itself must catch a wrong byte.
sed '0,/^V\t.*\t3\t[0-9a-f]\{10\}/s//&ff/' "$work/filled.ours" >"$work/filled.wrong"
if $py "$here/compare_hive.py" "$work/filled.wrong" "$work/filled.reg" "$work/filled.regf" "$work/filled.csv" >/dev/null; then
  echo "the comparison missed a changed value"; exit 1
fi

echo "== transaction logs: H0 plus a log of the pages H1 changed"
$py "$here/fill_hive.py" "$work/h0.hive" 3 300
$py "$here/fill_hive.py" "$work/h1.hive" 4 0 --change "$work/h0.hive"
"$dump" "$work/h0.hive" >"$work/h0.ours"
"$dump" "$work/h1.hive" >"$work/h1.ours"
cmp -s "$work/h0.ours" "$work/h1.ours" && { echo "H0 and H1 do not differ"; exit 1; }
against_readers "$work/h1.hive" "$work/h1.ours" h1
$py "$here/hivetools.py" logs "$work/h0.hive" "$work/h1.hive" "$work/logs"
for case in new new-split old; do
  dir=$work/logs/$case
  "$dump" "$dir/HIVE" "$dir/HIVE.LOG1" "$dir/HIVE.LOG2" >"$dir/ours" 2>"$dir/notes"
  grep '^recovery' "$dir/notes" | sed "s/^/$case: /"
  cmp "$dir/ours" "$work/h1.ours" || { echo "$case: H0 with its log is not H1"; cat "$dir/notes"; exit 1; }
  against_readers "$work/h1.hive" "$dir/ours" "$case" >/dev/null
  echo "$case: H0 + log equals H1 for every reader"
done
for case in new-ahead old-behind; do
  dir=$work/logs/$case
  "$dump" "$dir/HIVE" "$dir/HIVE.LOG1" "$dir/HIVE.LOG2" >"$dir/ours" 2>"$dir/notes"
  grep -q 'recovery: dirty 1, base from log 0, 0 entries' "$dir/notes" || { echo "$case: a log was applied"; cat "$dir/notes"; exit 1; }
  cmp "$dir/ours" "$work/h0.ours" || { echo "$case: H0 changed"; exit 1; }
  echo "$case: not applied ($(grep '^note' "$dir/notes" | head -1))"
done
echo "oracle: every hive matched"
