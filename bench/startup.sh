#!/usr/bin/env bash
# Times the Linux desktop program's start-up: from just before its process starts to
# its main window mapped on a virtual X display (Xvfb), warm (the first run, which
# reads the files from the disk, is left out). Prints every run and the median.
#   bench/startup.sh [RUNS] [BUILD_DIR]       (defaults: 20, build)
# Needs the programs and the benchmark helper built (cmake --build build --target
# tavrinole-ochrel tavrinole-time-to-window) and Xvfb (Debian package xvfb).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
runs=${1:-20}
build="$(realpath -m "${2:-$ROOT/build}")"
program=$build/bin/tavrinole-ochrel
timer=$build/bin/tavrinole-time-to-window
for f in "$program" "$timer"; do
  [ -x "$f" ] || { echo "startup.sh: $f is missing; build it first" >&2; exit 1; }
done
command -v Xvfb >/dev/null || { echo "startup.sh: Xvfb is missing (Debian package xvfb)" >&2; exit 1; }

source "$ROOT/scripts/lib/x11-driving.sh"
# A session's own runtime folder, as a desktop login gives one.
XDG_RUNTIME_DIR="$(mktemp -d /tmp/tavrinole-runtime.XXXXXX)"
export XDG_RUNTIME_DIR
trap 'stop_xvfb; rm -rf "$XDG_RUNTIME_DIR"' EXIT
start_xvfb || { echo "startup.sh: Xvfb did not start" >&2; exit 1; }

"$timer" "$program" >/dev/null  # warms the page cache and Qt's caches
times=()
for i in $(seq "$runs"); do
  times+=("$("$timer" "$program")")
  echo "run $i: ${times[-1]} ms"
done
printf '%s\n' "${times[@]}" | sort -n |
  awk '{v[NR]=$1} END{printf "start-up to mapped window, %d runs: median %.0f ms, fastest %.0f ms, slowest %.0f ms (target: at most 250 ms)\n", NR, v[int((NR+1)/2)], v[1], v[NR]}'
