#!/usr/bin/env bash
# Checks the locking rules with clang's thread-safety analysis: builds every
# library and the program with clang++ and -Wthread-safety, where a broken
# rule (a GUARDED_BY member touched without its lock, a REQUIRES function
# called without it) stops the build. The build goes to build-tsa/, without
# optimisation, tests or benchmarks; nothing is run. Extra arguments go to
# cmake's configure step.
#   bash scripts/thread-safety.sh
set -euo pipefail
cd "$(dirname "$0")/.."
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B build-tsa -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-O0 -DCMAKE_C_FLAGS_DEBUG=-O0 \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DFIELDSYNC_THREAD_SAFETY=ON \
  -DFIELDSYNC_TESTS=OFF -DFIELDSYNC_BENCH=OFF "${launcher[@]}" "$@" >/dev/null
cmake --build build-tsa -j "${THREAD_SAFETY_JOBS:-2}"
