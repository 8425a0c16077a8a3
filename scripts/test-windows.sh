#!/usr/bin/env bash
# Cross-builds both Windows programs, checks the four program files, and runs each build's
# test programs under the Wine that runs it, on a virtual X display (the Win32 layer's
# tests open real dialogs): the 64-bit build's under 64-bit Wine, the 32-bit build's
# under 32-bit Wine, directly where the kernel runs 32-bit code and through qemu-i386
# in a private namespace where it does not. Says which it tested and how, and why one
# was left out; fails when it could test none.
#
#   bash scripts/test-windows.sh [ctest arguments...]
#   TAVRINOLE_WINDOWS_BUILDS=x64 bash scripts/test-windows.sh    # the 64-bit one only
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

source "$ROOT/scripts/lib/x11-driving.sh"
source "$ROOT/scripts/lib/windows-builds.sh"

# --one-build BUILD [ctest arguments...]: one build's suites, with Wine's servers
# started for them and stopped after (the run of all builds has the display ready).
one_build() {
  use_windows_build "$1"
  shift
  trap stop_wine EXIT
  echo "test-windows: the $ARCH_NAME build's suites ($BUILD)"
  prepare_wine_prefix
  start_wine_services
  ctest --test-dir "$BUILD" --output-on-failure -j2 "$@"
}

main() {
  if [ "${1:-}" = --one-build ]; then
    shift
    one_build "$@"
    return
  fi
  choose_windows_builds
  if [ "${#WINDOWS_BUILDS[@]}" -eq 0 ]; then
    echo "test-windows: FAILED: $WINDOWS_BUILDS_LINE" >&2
    return 1
  fi
  if [ "$X86_ROUTE" = emulated ] && ! check_x86_emulation; then
    echo "test-windows: FAILED: no 32-bit programs here" >&2
    return 1
  fi
  echo "test-windows: testing $WINDOWS_BUILDS_LINE"
  bash "$ROOT/scripts/build-windows.sh" both
  check_windows_exes

  stop_builds_on_exit
  start_xvfb || { echo "test-windows: Xvfb did not start" >&2; return 1; }
  local build started
  for build in "${WINDOWS_BUILDS[@]}"; do
    started=$SECONDS
    run_build "$build" bash "$0" --one-build "$build" "$@"
    echo "test-windows: the $build build's suites took $((SECONDS - started)) s"
  done
  echo "test-windows: passed: $WINDOWS_BUILDS_LINE"
}

main "$@"
