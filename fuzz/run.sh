#!/usr/bin/env bash
# Builds the JSON parser fuzz target with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) into build-fuzz/ and runs it for a bounded time
# on one core. New inputs go to fuzz/corpus-run/ (not kept in git); the seeds
# are fuzz/corpus/json/. A crash leaves its input as crash-* in the current
# directory.
#   bash fuzz/run.sh [seconds]     (default 240)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-240}"
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DFIELDSYNC_FUZZ=ON -DFIELDSYNC_TESTS=OFF -DFIELDSYNC_BENCH=OFF >/dev/null
cmake --build build-fuzz --target json_parse_fuzz -j 2
mkdir -p fuzz/corpus-run
build-fuzz/fuzz/json_parse_fuzz -max_total_time="$seconds" -max_len=8192 \
  -dict=fuzz/json.dict -print_final_stats=1 fuzz/corpus-run fuzz/corpus/json
