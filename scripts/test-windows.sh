#!/usr/bin/env bash
# Cross-builds the Windows tree and runs its test programs under 32-bit Wine, on a
# virtual X display (the Win32 layer's tests open real dialogs).
#
#   bash scripts/test-windows.sh [ctest arguments...]
#
# The Wine prefix is build-windows/wineprefix, made on first use; nothing touches
# ~/.wine. Sourced by e2e-windows.sh for the helpers below.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$ROOT/build-windows"
export WINEPREFIX="$BUILD/wineprefix"
export WINEARCH=win32
export WINEDEBUG=-all
# No Mono or Gecko: nothing here needs them, and their installers would ask.
export WINEDLLOVERRIDES="mscoree,mshtml="

source "$ROOT/scripts/lib/x11-driving.sh"

# Creates the prefix on first use. wineboot returns before the prefix is complete;
# waiting for the server to exit is what tells it is done.
prepare_wine_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "test-windows: creating the Wine prefix (takes a while the first time)"
    mkdir -p "$WINEPREFIX"
    DISPLAY= wineboot --init >/dev/null 2>&1 || true
  fi
  wineserver --wait
  [ -f "$WINEPREFIX/system.reg" ] || { echo "test-windows: wineboot made no prefix" >&2; return 1; }
}

# One server and one set of Wine's own background processes for the whole run. Started
# here with their output going nowhere: had the first test program started them, they
# would inherit its output pipe and keep it open, and ctest would wait on it until its
# timeout.
start_wine_services() {
  wineserver --persistent
  wine cmd /c exit </dev/null >/dev/null 2>&1
}

stop_wine_and_xvfb() {
  wineserver -k >/dev/null 2>&1 || true
  stop_xvfb
}

main() {
  bash "$ROOT/scripts/build-windows.sh"
  trap stop_wine_and_xvfb EXIT
  prepare_wine_prefix
  start_xvfb || { echo "test-windows: Xvfb did not start" >&2; return 1; }
  start_wine_services
  ctest --test-dir "$BUILD" --output-on-failure -j2 "$@"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  main "$@"
fi
