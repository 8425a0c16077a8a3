#!/usr/bin/env bash
# Cross-builds both Windows programs, checks both program files, and runs each build's
# test programs under the Wine that runs it, on a virtual X display (the Win32 layer's
# tests open real dialogs): the 64-bit build's under 64-bit Wine everywhere, the 32-bit
# build's under 32-bit Wine where the machine runs 32-bit code. Says which it tested
# and why one was left out; fails when it could test none.
#
#   bash scripts/test-windows.sh [ctest arguments...]
#   TAVRINOLE_WINDOWS_BUILDS=x64 bash scripts/test-windows.sh    # the 64-bit one only
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

source "$ROOT/scripts/lib/x11-driving.sh"
source "$ROOT/scripts/lib/windows-builds.sh"

stop_wine_and_xvfb() {
  stop_wine
  stop_xvfb
}

main() {
  choose_windows_builds
  if [ "${#WINDOWS_BUILDS[@]}" -eq 0 ]; then
    echo "test-windows: FAILED: $WINDOWS_BUILDS_LINE" >&2
    return 1
  fi
  echo "test-windows: testing $WINDOWS_BUILDS_LINE"
  bash "$ROOT/scripts/build-windows.sh" both
  bash "$ROOT/scripts/check-windows-exe.sh" x86 "$ROOT/build-windows/bin/Tavrinole-Ochrel.exe"
  bash "$ROOT/scripts/check-windows-exe.sh" x64 "$ROOT/build-windows-x64/bin/Tavrinole-Ochrel.exe"

  trap stop_wine_and_xvfb EXIT
  start_xvfb || { echo "test-windows: Xvfb did not start" >&2; return 1; }
  local build
  for build in "${WINDOWS_BUILDS[@]}"; do
    use_windows_build "$build"
    echo "test-windows: the $ARCH_NAME build's suites under $ARCH_NAME Wine ($BUILD)"
    prepare_wine_prefix
    start_wine_services
    ctest --test-dir "$BUILD" --output-on-failure -j2 "$@"
    stop_wine
  done
  echo "test-windows: passed: $WINDOWS_BUILDS_LINE"
}

main "$@"
