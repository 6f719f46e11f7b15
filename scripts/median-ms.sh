# shellcheck shell=bash
# Sourced by the benchmarks: median_ms COMMAND... prints the milliseconds of the
# median of three runs, after one run that warms the page cache.
median_ms() {
  "$@" >/dev/null 2>&1
  local times=()
  for _ in 1 2 3; do
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    times+=($(( (end - start) / 1000000 )))
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n 2p
}
