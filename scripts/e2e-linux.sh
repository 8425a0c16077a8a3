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
RC_SCRIPT="$ROOT/resources/tavrinole.rc"
TITLE='^Tavrinole-Ochrel\(Unlimited\)$'
WORK="$(mktemp -d "${TMPDIR:-/tmp}/tavrinole-e2e.XXXXXX")"
PROGRAM_PID=""

source "$ROOT/scripts/lib/x11-driving.sh"

fail() {
  echo "e2e-linux: FAILED: $*" >&2
  if [ -f "$WORK/program.log" ]; then sed 's/^/e2e-linux: program: /' "$WORK/program.log" >&2; fi
  exit 1
}

cleanup() {
  if [ -n "$PROGRAM_PID" ]; then kill "$PROGRAM_PID" >/dev/null 2>&1 || true; fi
  stop_xvfb
  rm -rf "$WORK"
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

  encode_through_the_dialog "$main" "$WORK/letter.txt" "$WORK/encoded"

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
  load_resource_ids "$BUILD" || fail "$BUILD/resource_ids.sh is missing; configure the build again"
  start_xvfb || fail "Xvfb did not start"
  run_the_program
  [ -f "$WORK/encoded.txt" ] || fail "no encoded.txt; the folder holds: $(ls "$WORK")"
  cmp "$WORK/expected.txt" "$WORK/encoded.txt" || fail "the program's output differs from the CLI's"
  if cmp -s "$WORK/letter.txt" "$WORK/encoded.txt"; then fail "the output equals the input"; fi
  echo "e2e-linux: passed: tavrinole-ochrel wrote the same $(stat -c %s "$WORK/encoded.txt") bytes as the CLI"
}

main
