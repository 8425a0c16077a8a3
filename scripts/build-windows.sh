#!/usr/bin/env bash
# Cross-builds the 32-bit Windows program and its test programs with MinGW-w64 in
# build-windows/; the program lands in build-windows/bin/Tavrinole-Ochrel.exe.
# Extra arguments go to the CMake configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-i686.cmake" "$@"
cmake --build build-windows -j2
echo "build-windows: $PWD/build-windows/bin/Tavrinole-Ochrel.exe"
