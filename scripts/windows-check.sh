#!/usr/bin/env bash
# Compiles every engine source (everything under engine/) for Windows with
# mingw-w64's real Windows headers, syntax only, to keep the engine a genuine Win32 + Direct3D 12 program.
# DirectX-Headers' d3d12.h and d3dx12.h come first: mingw-w64's own d3d12.h is older than that d3dx12.h.
set -euo pipefail
cd "$(dirname "$0")/.."

compiler=x86_64-w64-mingw32-g++
command -v "$compiler" >/dev/null || { echo "windows-check: $compiler not found (package g++-mingw-w64-x86-64)" >&2; exit 1; }

# Assimp's headers without the rest of /usr/include, which would shadow mingw-w64's C library headers.
shim=$(mktemp -d)
trap 'rm -rf "$shim"' EXIT
ln -s /usr/include/assimp "$shim/assimp"

sources=$(find engine -name '*.cpp' 2>/dev/null | sort)
if [[ -z "$sources" ]]; then
  echo "windows-check: no engine sources yet"
  exit 0
fi

export compiler shim
check_one() {
  "$compiler" -std=c++20 -fsyntax-only -Wall -Wno-unknown-pragmas -DUNICODE -D_UNICODE \
    -I/usr/include/directx -I"$shim" -Iengine "$1" || { echo "windows-check: $1 does not compile for Windows" >&2; return 1; }
}
export -f check_one
if echo "$sources" | xargs -P "$(nproc)" -I{} bash -c 'check_one "$1"' _ {}; then
  echo "windows-check: $(echo "$sources" | wc -l) engine sources compile against the Windows headers"
else
  exit 1
fi
