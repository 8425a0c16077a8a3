#!/usr/bin/env bash
# End-to-end run of the real Windows programs under Wine on a virtual X display, for
# each build the machine can run (as scripts/test-windows.sh chooses them: the 64-bit
# one everywhere, the 32-bit one directly or through qemu-i386): Open, type the input's path,
# Save as, type a new name, five keys, Run, dismiss the closing message; then the same
# encode with the build's tavrinole-ochrel-cli.exe. Both documents must equal the Linux
# command-line tool's output for the same input and password.
#
#   bash scripts/e2e-windows.sh [--screenshot FILE]
#
# --screenshot also saves the first build's main dialog, with its frame, as a PNG.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
RC_SCRIPT="$ROOT/resources/tavrinole.rc"
E2E_NAME=e2e-windows
FILE_DIALOG_WAIT=15
WORK_WIN='C:\tavrinole-e2e'
SCREENSHOT=""

source "$ROOT/scripts/lib/x11-driving.sh"
source "$ROOT/scripts/lib/e2e.sh"
source "$ROOT/scripts/lib/windows-builds.sh"

# Each build is checked by a run of this script of its own (--one-build), inside the
# namespace that runs 32-bit programs where that is needed; it leaves its Wine stopped.
stop_build() {
  stop_program
  stop_wine
}

# The main dialog with its frame, which Wine draws itself when told that no window
# manager decorates its windows. A run of its own: with the frame inside the X window
# the clicks of the real run would miss.
take_screenshot() {
  local x y w h
  "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
  start_program "${PROGRAM[@]}"
  read -r x y w h <<<"$(window_geometry "$MAIN_WINDOW")"
  import -window root -crop "${w}x${h}+${x}+${y}" +repage "$SCREENSHOT"
  echo "e2e-windows: screenshot of the $ARCH_NAME program in $SCREENSHOT"
  wineserver -k
  wineserver --wait
  wait "$PROGRAM_PID" 2>/dev/null || true
  PROGRAM_PID=""
  "$WINE" reg delete 'HKCU\Software\Wine\X11 Driver' /v Decorated /f >/dev/null 2>&1
  stop_wine
  start_wine_services
}

linux_cli() {
  if [ -f "$ROOT/build/build.ninja" ]; then
    cmake --build "$ROOT/build" --target tavrinole-ochrel-cli -j2 >/dev/null
    echo "$ROOT/build/bin/tavrinole-ochrel-cli"
  else
    cmake -S "$ROOT" -B "$ROOT/build-windows-x64/host" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DTAVRINOLE_TESTS=OFF -DTAVRINOLE_QT=OFF -DTAVRINOLE_BENCH=OFF >/dev/null
    cmake --build "$ROOT/build-windows-x64/host" --target tavrinole-ochrel-cli -j2 >/dev/null
    echo "$ROOT/build-windows-x64/host/bin/tavrinole-ochrel-cli"
  fi
}

# Runs the build's CLI in a Wine console window with the command line $1 for cmd.exe,
# and types the password twice at its prompt. Prints the window's id.
start_console() {
  "$WINE" wineconsole cmd /c "$1" >>"$WORK/console.log" 2>&1 &
  local window
  window="$(wait_for_window 'cmd\.exe' 60)" || fail "no console window"
  sleep 1
  for _ in 1 2; do
    xdotool windowfocus --sync "$window"
    xdotool type --delay 40 "$PASSWORD"
    xdotool key Return
    sleep 0.5
  done
  echo "$window"
}

# The password asked on the console (the echo is off there) gives the same bytes; a
# Ctrl-C in the middle of a long run leaves nothing in the folder.
check_console() {
  local cli_win="$BUILD_WIN\\bin\\tavrinole-ochrel-cli.exe" window
  window="$(start_console "$cli_win -o $WORK_WIN\\at-prompt.txt $WORK_WIN\\letter.txt & call echo %^errorlevel% > $WORK_WIN\\prompt-status")"
  for _ in $(seq 120); do [ -s "$WORK/prompt-status" ] && break; sleep 0.5; done
  [ "$(tr -d ' \r\n' <"$WORK/prompt-status" 2>/dev/null)" = 0 ] ||
    fail "the CLI asking on the console did not succeed: $(cat "$WORK/prompt-status" 2>/dev/null)"
  check_document at-prompt.txt "the CLI asking the password on the console"
  wait_until_gone "$window" 30 || fail "the console window stayed after the run"

  mkdir -p "$WORK/interrupted"
  truncate -s 3G "$WORK/interrupted/big"
  window="$(start_console "$cli_win -o $WORK_WIN\\interrupted\\out $WORK_WIN\\interrupted\\big")"
  local writing=""
  for _ in $(seq 240); do
    if compgen -G "$WORK/interrupted/.tavrinole-*" >/dev/null; then writing=1; break; fi
    sleep 0.25
  done
  [ -n "$writing" ] || fail "the interrupted run never started writing"
  xdotool windowfocus --sync "$window" key ctrl+c
  wait_until_gone "$window" 60 || fail "Ctrl-C did not end the run"
  sleep 1
  [ "$(ls -A "$WORK/interrupted")" = big ] ||
    fail "Ctrl-C left something behind: $(ls -A "$WORK/interrupted" | tr '\n' ' ')"
  rm -rf "$WORK/interrupted"
}

# Both Windows programs of the current build encode the same input as the Linux CLI.
check_build() {
  local cli="$1"
  WORK="$WINEPREFIX/drive_c/tavrinole-e2e"
  BUILD_WIN="Z:${BUILD//\//\\}"
  PROGRAM=(env -C "$BUILD/bin" "$WINE" Tavrinole-Ochrel.exe)
  prepare_wine_prefix
  start_wine_services
  rm -rf "$WORK"
  mkdir -p "$WORK"
  write_letter "$cli"

  if [ -n "$SCREENSHOT" ]; then
    take_screenshot
    SCREENSHOT=""
  fi
  # The new name does not exist yet: the save dialog carries OFN_FILEMUSTEXIST too.
  run_the_program "$WORK_WIN\\letter.txt" "$WORK_WIN\\encoded" "${PROGRAM[@]}"
  check_document encoded.txt Tavrinole-Ochrel.exe

  printf '%s\n' "$PASSWORD" >"$WORK/password"
  "$WINE" "$BUILD/bin/tavrinole-ochrel-cli.exe" --password-file "$WORK_WIN\\password" \
    -o "$WORK_WIN\\by-cli.txt" "$WORK_WIN\\letter.txt" </dev/null >"$WORK/cli.log" 2>&1 ||
    fail "tavrinole-ochrel-cli.exe failed: $(cat "$WORK/cli.log")"
  check_document by-cli.txt tavrinole-ochrel-cli.exe
  check_console
  echo "e2e-windows: passed ($ARCH_NAME): Tavrinole-Ochrel.exe and tavrinole-ochrel-cli.exe" \
    "(password file and console prompt) wrote the same $(stat -c %s "$WORK/encoded.txt") bytes" \
    "as the Linux CLI; Ctrl-C left nothing behind"
  stop_wine
}

# --one-build BUILD CLI [SCREENSHOT]: the programs of one build, on the display and
# with the Linux CLI the run of all builds has made ready.
one_build() {
  trap stop_build EXIT
  SCREENSHOT="${3:-}"
  use_windows_build "$1"
  load_resource_ids "$BUILD" || fail "$BUILD/resource_ids.sh is missing; configure the build again"
  check_build "$2"
}

main_e2e() {
  while [ $# -gt 0 ]; do
    case "$1" in
      --screenshot) SCREENSHOT="$(realpath -m "$2")"; shift 2 ;;
      --one-build) shift; one_build "$@"; return ;;
      *) fail "unknown argument $1" ;;
    esac
  done
  choose_windows_builds
  [ "${#WINDOWS_BUILDS[@]}" -gt 0 ] || fail "$WINDOWS_BUILDS_LINE"
  if [ "$X86_ROUTE" = emulated ]; then check_x86_emulation || fail "no 32-bit programs here"; fi
  echo "e2e-windows: running $WINDOWS_BUILDS_LINE"
  local build cli
  for build in "${WINDOWS_BUILDS[@]}"; do
    bash "$ROOT/scripts/build-windows.sh" "$build" >/dev/null
  done
  cli="$(linux_cli)"
  stop_builds_on_exit
  start_xvfb || fail "Xvfb did not start"
  for build in "${WINDOWS_BUILDS[@]}"; do
    run_build "$build" bash "$0" --one-build "$build" "$cli" "$SCREENSHOT" || exit 1
    SCREENSHOT=""
  done
  echo "e2e-windows: passed: $WINDOWS_BUILDS_LINE"
}

main_e2e "$@"
