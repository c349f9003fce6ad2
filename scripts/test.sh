#!/usr/bin/env bash
# Builds everything and runs the whole test suite: unit, GPU (lavapipe, Vulkan validation on) and
# end-to-end tests (the real program under Xvfb), then the Windows compile check of the engine sources and
# the sanitizer build's run of the same suite (scripts/sanitize.sh).
# Extra arguments go to ctest, e.g. ./scripts/test.sh -R Camera
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

./scripts/install-deps.sh
./scripts/build.sh

source "$root/scripts/xvfb.sh"
start_virtual_display

ctest --test-dir build --output-on-failure -j"$(nproc)" "$@"
if [[ $# -eq 0 ]]; then
  ./scripts/windows-check.sh
  # The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer, fuzz targets included.
  ./scripts/sanitize.sh
fi
