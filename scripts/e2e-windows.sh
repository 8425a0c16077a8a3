#!/usr/bin/env bash
# End-to-end run of the real Tavrinole-Ochrel.exe under 32-bit Wine on a virtual X
# display: Open, type the input's path, Save as, type a new name, five keys, Run,
# dismiss the closing message. The document written must equal the Linux command-line
# tool's output for the same input and password.
#
#   bash scripts/e2e-windows.sh [--screenshot FILE]
#
# --screenshot also saves the main dialog, with its frame, as a PNG.
set -euo pipefail

source "$(dirname "${BASH_SOURCE[0]}")/test-windows.sh"

RC_SCRIPT="$ROOT/resources/tavrinole.rc"
TITLE='Tavrinole-Ochrel\(Unlimited\)'  # as a pattern for xdotool search
WORK_WIN='C:\tavrinole-e2e'
WORK="$WINEPREFIX/drive_c/tavrinole-e2e"
SCREENSHOT=""
EXE_PID=""

fail() {
  echo "e2e-windows: FAILED: $*" >&2
  exit 1
}

cleanup() {
  if [ -n "$EXE_PID" ]; then kill "$EXE_PID" >/dev/null 2>&1 || true; fi
  stop_wine_and_xvfb
}

# Types $2 into the file dialog named $1 and accepts it; the dialog must close.
answer_file_dialog() {
  local dialog
  dialog="$(wait_for_window "^$1\$" 30)" || fail "the '$1' dialog did not open"
  xdotool windowfocus --sync "$dialog"
  sleep 0.5
  xdotool type --delay 30 "$2"
  xdotool key Return
  wait_until_gone "$dialog" 15 || fail "the '$1' dialog did not accept $2"
}

# Starts the program and prints its main window's id.
start_program() {
  ( cd "$BUILD/bin" && exec wine Tavrinole-Ochrel.exe ) >>"$WORK/program.log" 2>&1 &
  EXE_PID=$!
  local main
  main="$(wait_for_window "^$TITLE\$" 60)" || fail "no window named '$TITLE'"
  sleep 1
  echo "$main"
}

run_the_program() {
  local main box
  start_program >"$WORK/main-window"
  main="$(cat "$WORK/main-window")"

  # The new name does not exist yet: the save dialog carries OFN_FILEMUSTEXIST too.
  encode_through_the_dialog "$main" "$WORK_WIN\\letter.txt" "$WORK_WIN\\encoded"

  box="$(wait_for_window "Closing" 120)" || fail "no closing message"
  xdotool windowfocus --sync "$box"
  xdotool key Return
  local status=0
  wait "$EXE_PID" || status=$?
  EXE_PID=""
  [ "$status" -eq 0 ] || fail "the program exited with $status"
}

# The main dialog with its frame, which Wine draws itself when told that no window
# manager decorates its windows. A run of its own: with the frame inside the X window
# the clicks of the real run would miss.
take_screenshot() {
  local x y w h main
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
  start_program >"$WORK/main-window"
  main="$(cat "$WORK/main-window")"
  read -r x y w h <<<"$(window_geometry "$main")"
  import -window root -crop "${w}x${h}+${x}+${y}" +repage "$SCREENSHOT"
  echo "e2e-windows: screenshot in $SCREENSHOT"
  wineserver -k
  wineserver --wait
  wait "$EXE_PID" 2>/dev/null || true
  EXE_PID=""
  wine reg delete 'HKCU\Software\Wine\X11 Driver' /v Decorated /f >/dev/null 2>&1
}

linux_cli() {
  if [ -f "$ROOT/build/build.ninja" ]; then
    cmake --build "$ROOT/build" --target tavrinole-ochrel-cli -j2 >/dev/null
    echo "$ROOT/build/bin/tavrinole-ochrel-cli"
  else
    cmake -S "$ROOT" -B "$BUILD/host" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVRINOLE_TESTS=OFF \
      -DTAVRINOLE_QT=OFF -DTAVRINOLE_BENCH=OFF >/dev/null
    cmake --build "$BUILD/host" --target tavrinole-ochrel-cli -j2 >/dev/null
    echo "$BUILD/host/bin/tavrinole-ochrel-cli"
  fi
}

main_e2e() {
  while [ $# -gt 0 ]; do
    case "$1" in
      --screenshot) SCREENSHOT="$(realpath -m "$2")"; shift 2 ;;
      *) fail "unknown argument $1" ;;
    esac
  done
  bash "$ROOT/scripts/build-windows.sh" >/dev/null
  local cli
  cli="$(linux_cli)"
  trap cleanup EXIT
  prepare_wine_prefix
  load_resource_ids "$BUILD" || fail "$BUILD/resource_ids.sh is missing; configure the build again"
  start_xvfb || fail "Xvfb did not start"
  start_wine_services

  rm -rf "$WORK"
  mkdir -p "$WORK"
  # Three full blocks and a remainder, so block boundaries are crossed.
  head -c 200003 /dev/urandom >"$WORK/letter.txt"
  printf '%s\n' "$PASSWORD" | "$cli" --password-file - --quiet -o "$WORK/expected.txt" "$WORK/letter.txt"

  if [ -n "$SCREENSHOT" ]; then take_screenshot; fi
  run_the_program

  [ -f "$WORK/encoded.txt" ] || fail "no encoded.txt; the folder holds: $(ls "$WORK")"
  cmp "$WORK/expected.txt" "$WORK/encoded.txt" || fail "the program's output differs from the CLI's"
  cmp -s "$WORK/letter.txt" "$WORK/encoded.txt" && fail "the output equals the input"
  echo "e2e-windows: passed: Tavrinole-Ochrel.exe wrote the same $(stat -c %s "$WORK/encoded.txt") bytes as the CLI"
}

main_e2e "$@"
