#!/usr/bin/env bash
# Speed of the hive reader: makes a hive of MEGABYTES MB (default 100) with
# hivex, then times our reader (hive-dump --time: every key, value and value's
# data read, nothing listed; and hive-dump listing everything) against
# hivexregedit --export, regfexport and reglookup over it, median of three warm
# runs each.
#   scripts/bench-hive.sh [megabytes]
# The hive is kept in build/hive-bench and reused.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
megabytes=${1:-100}
work=$build/hive-bench
hive=$work/hive-$megabytes.hive

"$root/scripts/install-deps.sh" >/dev/null
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target hive-dump >/dev/null

mkdir -p "$work"
if [ ! -f "$hive" ]; then
  /usr/bin/python3 "$root/tests/hive/big_hive.py" "$hive.part" "$megabytes"
  mv "$hive.part" "$hive"
fi

source "$(dirname "$0")/median-ms.sh"

echo "hive: $hive, $(( $(stat -c %s "$hive") / 1048576 )) MiB"
"$build/hive-dump" --time "$hive" 2>&1 | tail -1 | sed 's/^/  /'
parse=$(median_ms "$build/hive-dump" --time "$hive")
listing=$(median_ms "$build/hive-dump" "$hive")
hivex=$(median_ms hivexregedit --export "$hive" '\')
regf=$(median_ms regfexport "$hive")
lookup=$(median_ms reglookup "$hive")
printf '%-34s %8s ms\n' "hive-dump --time (read all)" "$parse" "hive-dump (list all, hex data)" "$listing" \
  "hivexregedit --export" "$hivex" "regfexport" "$regf" "reglookup" "$lookup"
if [ -x /usr/bin/time ]; then
  /usr/bin/time -f '%M' -o "$work/peak-kb" "$build/hive-dump" --time "$hive" >/dev/null 2>&1
  echo "hive-dump --time peak memory: $(( $(cat "$work/peak-kb") / 1024 )) MiB"
fi
awk -v a="$parse" 'BEGIN { printf "goal: read all under 1000 ms: %s\n", (a < 1000 ? "met" : "NOT met") }'
