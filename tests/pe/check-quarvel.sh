#!/usr/bin/env bash
# check-quarvel.sh <quarvel.exe>
# What the linker must give the program for real Windows: the flag that marks it
# aware of Remote Desktop session hosts, and no import of a DLL that Windows
# would look for beside the program first (version.dll, advpack.dll): those are
# loaded by full path from the system folder.
set -euo pipefail
exe=${1:?quarvel.exe}
headers=$(x86_64-w64-mingw32-objdump -p "$exe")
characteristics=$(awk '/^DllCharacteristics/ { print $2 }' <<<"$headers")
if (( (16#$characteristics & 16#8000) == 0 )); then
  echo "quarvel.exe is not marked terminal-server aware (DllCharacteristics $characteristics)" >&2
  exit 1
fi
imports=$(awk '/DLL Name:/ { print tolower($3) }' <<<"$headers")
for planted in version.dll advpack.dll; do
  if grep -qx "$planted" <<<"$imports"; then
    echo "quarvel.exe imports $planted, which a planted copy beside it would replace" >&2
    exit 1
  fi
done
echo "quarvel.exe: terminal-server aware (DllCharacteristics $characteristics); imports:" $imports
