#!/usr/bin/env bash
# Configures and builds the Linux tree in build/ (binaries in build/bin/), with the
# tests and benchmarks, also in a tree that scripts/run.sh started without them.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVRINOLE_TESTS=ON -DTAVRINOLE_BENCH=ON "$@"
cmake --build build -j2
