#!/usr/bin/env bash
# Cross-builds the engine for Windows with mingw-w64 (Release) into build-windows/: build-windows/run/engine.exe
# beside Shaders/ and the assets, packed into build-windows/d3dWin-windows-x64.zip. Assimp comes cross-built
# from Debian's source (scripts/windows-assimp.sh, cached per machine). Fails when the exe does not link or
# imports a DLL that is neither Windows' own nor shipped beside it.
# Extra arguments go to CMake's configure step; WINDOWS_BUILD_JOBS limits the parallel jobs (default: all cores).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

say() { echo "windows-build: $*"; }

./scripts/install-deps.sh
assimp=$(./scripts/windows-assimp.sh | tail -n 1)

cmake -G Ninja -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DENGINE_WARNINGS_AS_ERRORS=ON -DCMAKE_FIND_ROOT_PATH="$assimp" "$@" \
  >build-windows.configure.log 2>&1 || { cat build-windows.configure.log; exit 1; }
rm -f build-windows.configure.log
rm -f build-windows/run/engine.exe
cmake --build build-windows -j"${WINDOWS_BUILD_JOBS:-$(nproc)}"

exe=build-windows/run/engine.exe
[[ -f "$exe" ]] || { say "$exe was not linked" >&2; exit 1; }

# Windows' own DLLs, in the lower case of the check below; anything else must ship beside the exe.
system_dlls='^(kernel32|user32|gdi32|ole32|oleaut32|shell32|advapi32|msvcrt|ucrtbase|api-ms-win-[a-z0-9-]+|d3d12|dxgi|d3dcompiler_47|windowscodecs)\.dll$'
imports=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p')
for dll in $imports; do
  if ! [[ "${dll,,}" =~ $system_dlls ]] && [[ ! -f "build-windows/run/$dll" ]]; then
    say "$exe imports $dll, which is neither Windows' own nor beside it" >&2
    exit 1
  fi
done

# The zip holds the run folder as d3dWin-windows-x64/, ready to unpack and start.
package=d3dWin-windows-x64
rm -rf "build-windows/$package" "build-windows/$package.zip"
cp -r build-windows/run "build-windows/$package"
(cd build-windows && zip -q -r -X "$package.zip" "$package")
rm -rf "build-windows/$package"

say "$exe ($(du -k "$exe" | cut -f1) KiB) imports $(echo "$imports" | tr '\n' ' ')"
say "packed build-windows/$package.zip ($(du -k "build-windows/$package.zip" | cut -f1) KiB)"
