#!/usr/bin/env bash
# Runs the whole test suite under AddressSanitizer and UndefinedBehaviorSanitizer, and the threaded tests
# (ctest label "threaded") under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs="$(nproc)"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/scripts/tsan.supp"

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGORVANTA_SANITIZE=address,undefined \
      -DGORVANTA_BUILD_BENCH=OFF -DGORVANTA_BUILD_TESTS=ON
cmake --build build-asan -j"$jobs"
ctest --test-dir build-asan --no-tests=error --output-on-failure -j"$jobs"

cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGORVANTA_SANITIZE=thread \
      -DGORVANTA_BUILD_BENCH=OFF -DGORVANTA_BUILD_TESTS=ON
# Only the programs of the threaded tests (each test is named after its program).
targets=$(ctest --test-dir build-tsan -N -L threaded | sed -n 's/^ *Test *#[0-9]*: *//p')
cmake --build build-tsan -j"$jobs" --target $targets
ctest --test-dir build-tsan --no-tests=error --output-on-failure -L threaded -j"$jobs"
