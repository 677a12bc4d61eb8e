#!/usr/bin/env bash
# Configures and builds fieldsync in Release into build/; the ready-to-run
# directory is build/dist/.
#
#   build.sh [--program] [cmake configure arguments...]
#
# Without --program everything is built: the program, the tests, the
# benchmarks and the fuzz replays. With --program only the program and what
# it runs with (build/dist/: the executable, templates, css, js, the client
# packages' support files, the definitions files); a build directory that the
# full build configured keeps its settings, so neither kind of run undoes
# the other's work. Extra arguments go to cmake's configure step.
set -euo pipefail
cd "$(dirname "$0")/.."

program_only=0
if [ "${1:-}" = --program ]; then
  program_only=1
  shift
fi

launcher=()
# A compiler cache, when one is installed, makes rebuilds of other checkouts cheap.
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi

if [ "$program_only" = 1 ]; then
  # Configured once without the tests and benchmarks (they need the test
  # set's packages); a build directory configured for everything stays so.
  if [ ! -f build/CMakeCache.txt ] || [ $# -gt 0 ]; then
    cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DFIELDSYNC_TESTS=OFF -DFIELDSYNC_BENCH=OFF \
      "${launcher[@]}" "$@" >/dev/null
  fi
  cmake --build build -j "$(nproc)" --target fieldsync
else
  cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DFIELDSYNC_TESTS=ON -DFIELDSYNC_BENCH=ON \
    "${launcher[@]}" "$@" >/dev/null
  cmake --build build -j "$(nproc)"
fi
