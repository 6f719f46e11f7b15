#!/usr/bin/env bash
# package.sh [--check]
# Builds the release: dist/quarvel-<version>-win64.zip (quarvel.exe,
# quarvel-scan.exe, the README and the licence texts of what is linked into
# them) and dist/SHA256SUMS. The build is reproducible: the same commit gives
# the same bytes wherever it is built (no paths, no time stamps, fixed entry
# times and order in the zip).
# --check builds twice in fresh folders at different paths and compares the bytes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
version=$(sed -n 's/^project(Quarvel VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
[ -n "$version" ] || { echo "package.sh: no version in CMakeLists.txt" >&2; exit 2; }
name=quarvel-$version-win64

# build_release <build-dir> <dist-dir>
build_release() {
  local build=$1 dist=$2
  rm -rf "$build" "$dist"
  mkdir -p "$(dirname "$build")"
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DQUARVEL_RELEASE=ON >"$build.log" 2>&1 ||
    { cat "$build.log" >&2; return 1; }
  cmake --build "$build" --target quarvel quarvel-scan >>"$build.log" 2>&1 || { tail -40 "$build.log" >&2; return 1; }
  local stage=$build/stage/$name
  mkdir -p "$stage/licenses"
  cp "$build/bin/quarvel.exe" "$build/bin/quarvel-scan.exe" "$stage/"
  cp "$root/README.md" "$stage/"
  cp "$root/schemas/quarvel-scan.schema.json" "$stage/"
  # What is linked in: libstdc++ and libgcc (GPL 3 with the GCC Runtime Library
  # Exception), winpthread (MIT/BSD, in mingw-w64's file), nlohmann/json (MIT).
  cp /usr/share/doc/gcc-mingw-w64-base/copyright "$stage/licenses/libstdc++-libgcc.txt"
  cp /usr/share/common-licenses/GPL-3 "$stage/licenses/GPL-3.txt"
  cp /usr/share/doc/mingw-w64-common/copyright "$stage/licenses/mingw-w64-winpthread.txt"
  cp /usr/share/doc/nlohmann-json3-dev/copyright "$stage/licenses/nlohmann-json.txt"
  mkdir -p "$dist"
  /usr/bin/python3 - "$build/stage" "$dist/$name.zip" <<'PY'
import os, sys, zipfile
stage, out = sys.argv[1], sys.argv[2]
paths = sorted(os.path.relpath(os.path.join(d, f), stage).replace(os.sep, "/")
               for d, _, files in os.walk(stage) for f in files)
with zipfile.ZipFile(out, "w") as z:
    for path in paths:
        # A fixed time, system and mode for every entry: only the bytes count.
        info = zipfile.ZipInfo(path, date_time=(1980, 1, 1, 0, 0, 0))
        info.create_system = 0
        info.external_attr = 0x20  # FILE_ATTRIBUTE_ARCHIVE
        info.compress_type = zipfile.ZIP_DEFLATED
        with open(os.path.join(stage, path), "rb") as f:
            z.writestr(info, f.read(), compresslevel=9)
PY
  (cd "$dist" && sha256sum "$name.zip" >SHA256SUMS)
}

if [ "${1:-}" = "--check" ]; then
  started=$(date +%s)
  check=$root/build/package-check
  rm -rf "$check"
  mkdir -p "$check"
  # Two fresh folders at paths of different lengths: a path left in a program shows.
  build_release "$check/one/build" "$check/one/dist"
  build_release "$check/second-build/build" "$check/second-build/dist"
  if cmp -s "$check/one/dist/$name.zip" "$check/second-build/dist/$name.zip"; then
    echo "package.sh: two builds gave the same bytes in $(($(date +%s) - started)) s:"
    cat "$check/one/dist/SHA256SUMS"
    exit 0
  fi
  echo "package.sh: the two builds differ:" >&2
  for file in $(cd "$check/one/build/stage" && find . -type f | sort); do
    cmp -s "$check/one/build/stage/$file" "$check/second-build/build/stage/$file" || echo "  $file" >&2
  done
  exit 1
fi

build_release "$root/build/package" "$root/dist"
echo "package.sh: $root/dist/$name.zip"
cat "$root/dist/SHA256SUMS"
