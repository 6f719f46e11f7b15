# shellcheck shell=bash
# Sourced by every script that runs Windows programs: the Wine path of a Linux
# path, the build of the Windows side, and a Wine session (prefix, wineserver,
# virtual display) that ends with the script, with any other clean-up the
# script registers.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${build:-$root/build}
# shellcheck disable=SC2034  # for the scripts that source this
wine=/usr/lib/wine/wine64

# The Wine path of a Linux path (drive Z: is the Linux root).
# shellcheck disable=SC1003  # a backslash, not an escaped quote
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }

# Runs `command` when the script ends, before what was registered earlier.
at_exit_commands=()
run_at_exit() {
  local command
  for command in "${at_exit_commands[@]}"; do eval "$command"; done
}
at_exit() {
  at_exit_commands=("$1" "${at_exit_commands[@]}")
  trap run_at_exit EXIT
}

# Installs what is needed and builds the Windows side in $build.
build_windows() {
  "$root/scripts/install-deps.sh" >/dev/null
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" --target windows >/dev/null
}

# Starts a Wine session in <dir> (its prefix under <dir>/wine-session), stopped
# when the script ends, and takes its environment (WINEPREFIX, DISPLAY).
start_wine_session() {
  local dir=$1
  "$root/tests/wine/session.sh" start "$dir" >/dev/null
  at_exit "\"$root/tests/wine/session.sh\" stop \"$dir\""
  # shellcheck disable=SC1091
  source "$dir/wine-session/env"
}
