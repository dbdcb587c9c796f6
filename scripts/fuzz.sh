#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time (seconds, default 60) from the
# seed corpus in fuzz/corpus. Findings land in build-fuzz/artifacts.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DGORVANTA_FUZZ=ON -DGORVANTA_SANITIZE=address,undefined -DGORVANTA_BUILD_TESTS=OFF -DGORVANTA_BUILD_BENCH=OFF
cmake --build build-fuzz -j"$(nproc)" --target fuzz_parser fuzz_document fuzz_store
mkdir -p build-fuzz/artifacts
for t in parser document store; do
  work="build-fuzz/corpus-$t"
  mkdir -p "$work"
  echo "fuzz_$t: ${seconds}s"
  status=0
  ./build-fuzz/fuzz/fuzz_$t -max_total_time="$seconds" -max_len=40000 -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix=build-fuzz/artifacts/$t- -print_final_stats=1 "$work" "fuzz/corpus/$t" \
      > "build-fuzz/fuzz_$t.log" 2>&1 || status=$?
  grep -E '^(stat::number_of_executed_units|stat::new_units_added|SUMMARY|Done)' "build-fuzz/fuzz_$t.log" || true
  if [ "$status" -ne 0 ]; then tail -60 "build-fuzz/fuzz_$t.log"; exit "$status"; fi
done
