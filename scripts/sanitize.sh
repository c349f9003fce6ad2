#!/usr/bin/env bash
# The second test run: builds everything with clang, AddressSanitizer and UndefinedBehaviorSanitizer into
# build-asan/ and runs the whole test suite there. Any memory error, leak or undefined behaviour fails the
# test it happens in. The same build carries libFuzzer's instrumentation, so the fuzz targets are real
# fuzzers here and each fuzz test fuzzes for FUZZ_SECONDS (default 20) from its corpus.
# Extra arguments go to ctest, e.g. ./scripts/sanitize.sh -R Font   or   ./scripts/sanitize.sh -L fuzz
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

./scripts/install-deps.sh

CC=clang-14 CXX=clang++-14 cmake -G Ninja -S . -B build-asan -DCMAKE_BUILD_TYPE=Release -DENGINE_FUZZ=ON \
  -DENGINE_WARNINGS_AS_ERRORS=ON -DFUZZ_SECONDS="${FUZZ_SECONDS:-20}" > build-asan.configure.log 2>&1 \
  || { cat build-asan.configure.log; exit 1; }
rm -f build-asan.configure.log
cmake --build build-asan -j"$(nproc)"

source "$root/scripts/xvfb.sh"
start_virtual_display

# A failed malloc or nothrow new returns null, as the code that checks for it expects. (A failed throwing
# new still stops the program: AddressSanitizer reports it instead of throwing std::bad_alloc.)
export ASAN_OPTIONS=allocator_may_return_null=1:detect_stack_use_after_return=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
# The Vulkan loader unloads the driver before the leak check; the driver's one-time allocations would then
# be reported from a library that is gone, which no suppression can name. Preloaded, it stays mapped and
# what it holds stays reachable.
lavapipe=/usr/lib/x86_64-linux-gnu/libvulkan_lvp.so
if [[ -e "$lavapipe" ]]; then
  export LD_PRELOAD="$lavapipe"
fi

ctest --test-dir build-asan --output-on-failure -j"$(nproc)" "$@"
