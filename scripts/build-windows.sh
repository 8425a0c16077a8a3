#!/usr/bin/env bash
# Cross-builds the Windows programs and their test programs with MinGW-w64:
#   x86  the 32-bit program, build-windows/bin/Tavrinole-Ochrel.exe (runs on 32- and
#        64-bit Windows),
#   x64  the 64-bit program, build-windows-x64/bin/Tavrinole-Ochrel.exe,
# each with tavrinole-ochrel-cli.exe beside it.
#
#   bash scripts/build-windows.sh [--programs] [x86|x64|both] [cmake configure arguments...]
#
# --programs builds only the two programs, not the test programs (scripts/package.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

targets=()
if [ "${1:-}" = --programs ]; then
  targets=(--target tavrinole_windows tavrinole-ochrel-cli)
  shift
fi
builds="both"
case "${1:-}" in
  x86 | x64 | both) builds="$1"; shift ;;
esac

# build_one DIR TOOLCHAIN [cmake arguments...]
build_one() {
  local dir="$1" toolchain="$2"
  shift 2
  local launcher=()
  if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/$toolchain" "$@"
  cmake --build "$dir" -j2 "${targets[@]}"
  echo "$dir: $PWD/$dir/bin/Tavrinole-Ochrel.exe"
}

if [ "$builds" != x64 ]; then build_one build-windows mingw-w64-i686.cmake "$@"; fi
if [ "$builds" != x86 ]; then build_one build-windows-x64 mingw-w64-x86_64.cmake "$@"; fi
