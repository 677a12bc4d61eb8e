#!/usr/bin/env bash
# Configures and builds fieldsync in Release into build/; the ready-to-run
# directory is build/dist/. Extra arguments go to cmake's configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
launcher=()
# A compiler cache, when one is installed, makes rebuilds of other checkouts cheap.
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" "$@" >/dev/null
cmake --build build -j "$(nproc)"
