# Sourced by the scripts that run Windows programs: installs what is needed,
# builds the Windows side, and starts a Wine session (prefix, wineserver,
# virtual display) that ends with the script.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$root/build

"$root/scripts/install-deps.sh" >/dev/null
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target windows >/dev/null

"$root/tests/wine/session.sh" start "$build" >/dev/null
trap '"$root/tests/wine/session.sh" stop "$build"' EXIT

# The Wine path of a Linux path (drive Z: is the Linux root).
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
