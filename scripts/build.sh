#!/usr/bin/env bash
# Configures and builds the whole project (Release) in build/; both README commands go through here so
# the engine, the tests and the benchmarks come from one build.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake -G Ninja -S . -B build -DCMAKE_BUILD_TYPE=Release -DENGINE_WARNINGS_AS_ERRORS=ON "$@" > build.configure.log 2>&1 \
  || { cat build.configure.log; exit 1; }
rm -f build.configure.log
cmake --build build -j"$(nproc)"
