#!/usr/bin/env bash
# Installs what the programs need, builds only the programs and launches the desktop
# program: no test tools, Wine or MinGW, and no tests. Arguments go to the program.
#
# The programs build in build/, the tree the tests use too, so that a later
# scripts/test.sh compiles only the tests. A new tree is configured without the tests
# and benchmarks (their libraries are not installed here); a tree that has them keeps
# them, and only the two programs are built either way.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/packages.sh
install_packages "${program_packages[@]}"
if [ ! -f build/CMakeCache.txt ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVRINOLE_TESTS=OFF -DTAVRINOLE_BENCH=OFF
fi
cmake --build build -j2 --target tavrinole-ochrel tavrinole-ochrel-cli
exec build/bin/tavrinole-ochrel "$@"
