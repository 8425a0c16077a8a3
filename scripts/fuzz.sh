#!/usr/bin/env bash
# Fuzzes the fast keystream engine against the reference model: builds the libFuzzer
# target with clang and the address and undefined-behaviour sanitizers in build-fuzz/,
# then runs it for the given number of seconds (default 60) on fuzz/corpus. New inputs
# go to build-fuzz/corpus, so the seed corpus stays small; a failing input is written to
# build-fuzz/ as crash-*.
#   usage: scripts/fuzz.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DTAVRINOLE_TESTS=OFF -DTAVRINOLE_BENCH=OFF -DTAVRINOLE_QT=OFF
cmake --build build-fuzz --target tavrinole-fuzz -j2

mkdir -p build-fuzz/corpus
./build-fuzz/bin/tavrinole-fuzz -max_total_time="$seconds" -max_len=140000 -timeout=60 \
  -artifact_prefix=build-fuzz/ build-fuzz/corpus fuzz/corpus
