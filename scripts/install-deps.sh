#!/usr/bin/env bash
# Installs the Debian packages the build, the engine and the tests need, skipping those already present.
# Works as root and, for other users, through sudo.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build pkg-config
  # engine dependencies
  libsdl2-dev libvulkan-dev mesa-vulkan-drivers libshaderc-dev glslang-dev spirv-tools libpng-dev libjpeg62-turbo-dev libassimp-dev directx-headers-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev vulkan-validationlayers xvfb xdotool x11-utils imagemagick libjpeg-turbo-progs
  # frame capture (tests/programs/renderdoc_capture.sh)
  renderdoc
  # models of other tools and formats for viewer mode (tests/e2e/test_viewer_mode.sh)
  assimp-testmodels
  # sanitizer and fuzzing build (scripts/sanitize.sh)
  clang-14 libclang-rt-14-dev
  # Windows cross-build (scripts/windows-build.sh; Assimp from Debian's source, scripts/windows-assimp.sh)
  # and its start-up test under Wine (tests/e2e/test_windows_wine.sh)
  g++-mingw-w64-x86-64 dpkg-dev xz-utils libutfcpp-dev libstb-dev zip wine64
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if [[ ${#missing[@]} -eq 0 ]]; then
  exit 0
fi

echo "Installing missing packages: ${missing[*]}"
sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then
  command -v sudo >/dev/null || { echo "install-deps: need root or sudo to install ${missing[*]}" >&2; exit 1; }
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
