#!/usr/bin/env bash
# Builds everything, cross-builds the Windows program (scripts/windows-build.sh; fails when engine.exe does
# not link) and runs the whole test suite: unit, GPU (lavapipe, Vulkan validation on) and end-to-end tests
# (the real program under Xvfb, and engine.exe under Wine), then the sanitizer build's run of the same
# suite (scripts/sanitize.sh).
# Extra arguments go to ctest, e.g. ./scripts/test.sh -R Camera
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

./scripts/install-deps.sh
./scripts/build.sh
# The whole run builds the Windows program first, so that the Wine start-up test finds it.
if [[ $# -eq 0 ]]; then
  ./scripts/windows-build.sh
fi

source "$root/scripts/xvfb.sh"
start_virtual_display

ctest --test-dir build --output-on-failure -j"$(nproc)" "$@"
if [[ $# -eq 0 ]]; then
  # The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer, fuzz targets included.
  ./scripts/sanitize.sh
fi
