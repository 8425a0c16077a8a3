#!/usr/bin/env bash
# End-to-end run of the real Linux program on a virtual X display, driven with xdotool
# as a user would: Open, type the input's path, Save as, type a new name, five keys,
# Run, dismiss the closing message. The document written must equal the command-line
# tool's output for the same input and password.
#
#   bash scripts/e2e-linux.sh [BUILD_DIR]      (default: build)
#
# Needs xvfb, xdotool and x11-utils (scripts/setup.sh installs them). Exits non-zero
# on any failure; Xvfb and the program are stopped on every path.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$(realpath -m "${1:-$ROOT/build}")"
SCRIPT="$ROOT/resources/tavrinole.rc"
TITLE='^Tavrinole-Ochrel\(Unlimited\)$'
PASSWORD="TIGER"
PASSWORD_KEYS=(4027 4021 4020 4018 4025)  # T I G E R on the keypad
WORK="$(mktemp -d "${TMPDIR:-/tmp}/tavrinole-e2e.XXXXXX")"
XVFB_PID=""
PROGRAM_PID=""

fail() {
  echo "e2e-linux: FAILED: $*" >&2
  if [ -f "$WORK/program.log" ]; then sed 's/^/e2e-linux: program: /' "$WORK/program.log" >&2; fi
  exit 1
}

cleanup() {
  if [ -n "$PROGRAM_PID" ]; then kill "$PROGRAM_PID" >/dev/null 2>&1 || true; fi
  if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" >/dev/null 2>&1 || true; fi
  rm -rf "$WORK"
}

# Xvfb picks a free display itself and tells us which.
start_xvfb() {
  local fifo="$WORK/display" display
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  XVFB_PID=$!
  read -r -t 20 display <"$fifo" || true
  [ -n "${display:-}" ] || fail "Xvfb did not start"
  export DISPLAY=":$display"
}

# Waits up to $2 seconds for a visible window whose name matches $1; prints its id.
wait_for_window() {
  local id
  for _ in $(seq $(($2 * 4))); do
    id="$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)"
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.25
  done
  return 1
}

# Waits up to $2 seconds until window $1 is no longer shown.
wait_until_gone() {
  for _ in $(seq $(($2 * 4))); do
    xwininfo -id "$1" 2>/dev/null | grep -q "IsViewable" || return 0
    sleep 0.25
  done
  return 1
}

# The place of a control of dialog 1001 in dialog units: "x y width height".
control_place() {
  awk -F', *' -v id="$1" '$2 == id { print $5, $6, $7, $8; exit }' "$SCRIPT"
}

# Clicks the middle of control $2 of the main dialog, window $1. With no window manager
# the X window is the dialog's client area, so its size over the template's size gives
# the scale whatever the font.
click_control() {
  local geometry x y w h cx cy cw ch dw dh
  geometry="$(xdotool getwindowgeometry --shell "$1")"
  x="$(sed -n 's/^X=//p' <<<"$geometry")"; y="$(sed -n 's/^Y=//p' <<<"$geometry")"
  w="$(sed -n 's/^WIDTH=//p' <<<"$geometry")"; h="$(sed -n 's/^HEIGHT=//p' <<<"$geometry")"
  read -r cx cy cw ch <<<"$(control_place "$2")"
  [ -n "$ch" ] || fail "control $2 is not in $SCRIPT"
  read -r dw dh <<<"$(awk -F'[ ,]+' '/^1001 DIALOGEX/ { print $5, $6; exit }' "$SCRIPT")"
  xdotool mousemove --sync $((x + (2 * cx + cw) * w / (2 * dw))) $((y + (2 * cy + ch) * h / (2 * dh))) click 1
  sleep 0.2
}

# Types $2 into the name field of the file dialog named $1 and presses Enter. Typing
# opens the name completer's list, which may take the first Enter for itself.
answer_file_dialog() {
  local dialog
  dialog="$(wait_for_window "^$1\$" 30)" || fail "the '$1' dialog did not open"
  xdotool windowfocus --sync "$dialog"
  sleep 0.5
  xdotool type --delay 20 "$2"
  sleep 0.3
  for _ in 1 2 3; do
    xdotool windowfocus --sync "$dialog" key Return
    wait_until_gone "$dialog" 2 && return 0
  done
  fail "the '$1' dialog did not accept $2"
}

run_the_program() {
  "$BUILD/bin/tavrinole-ochrel" >"$WORK/program.log" 2>&1 &
  PROGRAM_PID=$!
  local main box status=0
  main="$(wait_for_window "$TITLE" 30)" || fail "no window named $TITLE"
  sleep 0.5

  click_control "$main" 4005  # Open
  answer_file_dialog "Open" "$WORK/letter.txt"
  click_control "$main" 4006  # Save as
  answer_file_dialog "Save As" "$WORK/encoded"
  for key in "${PASSWORD_KEYS[@]}"; do click_control "$main" "$key"; done
  click_control "$main" 4008  # Run

  box="$(wait_for_window "Closing" 60)" || fail "no closing message"
  xdotool windowfocus --sync "$box" key Return
  for _ in $(seq 60); do
    kill -0 "$PROGRAM_PID" 2>/dev/null || break
    sleep 0.25
  done
  kill -0 "$PROGRAM_PID" 2>/dev/null && fail "the program did not end after the closing message"
  wait "$PROGRAM_PID" || status=$?
  PROGRAM_PID=""
  [ "$status" -eq 0 ] || fail "the program exited with $status"
}

main() {
  trap cleanup EXIT
  for program in tavrinole-ochrel tavrinole-ochrel-cli; do
    [ -x "$BUILD/bin/$program" ] || fail "$BUILD/bin/$program is not built"
  done
  # Three full blocks and a remainder, so block boundaries are crossed.
  head -c 200003 /dev/urandom >"$WORK/letter.txt"
  printf '%s\n' "$PASSWORD" |
    "$BUILD/bin/tavrinole-ochrel-cli" --password-file - --quiet -o "$WORK/expected.txt" "$WORK/letter.txt"
  start_xvfb
  run_the_program
  [ -f "$WORK/encoded.txt" ] || fail "no encoded.txt; the folder holds: $(ls "$WORK")"
  cmp "$WORK/expected.txt" "$WORK/encoded.txt" || fail "the program's output differs from the CLI's"
  if cmp -s "$WORK/letter.txt" "$WORK/encoded.txt"; then fail "the output equals the input"; fi
  echo "e2e-linux: passed: tavrinole-ochrel wrote the same $(stat -c %s "$WORK/encoded.txt") bytes as the CLI"
}

main
