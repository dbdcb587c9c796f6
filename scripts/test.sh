#!/usr/bin/env bash
# Builds everything and runs every test through ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGORVANTA_BUILD_TESTS=ON
cmake --build build -j"$(nproc)"
ctest --test-dir build --no-tests=error --output-on-failure -j"$(nproc)"
