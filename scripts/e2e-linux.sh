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
E2E_NAME=e2e-linux
FILE_DIALOG_WAIT=2
WORK="$(mktemp -d "${TMPDIR:-/tmp}/tavrinole-e2e.XXXXXX")"

source "$ROOT/scripts/lib/x11-driving.sh"
source "$ROOT/scripts/lib/e2e.sh"

cleanup() {
  stop_program
  stop_xvfb
  rm -rf "$WORK"
}

main() {
  trap cleanup EXIT
  for program in tavrinole-ochrel tavrinole-ochrel-cli; do
    [ -x "$BUILD/bin/$program" ] || fail "$BUILD/bin/$program is not built"
  done
  write_letter "$BUILD/bin/tavrinole-ochrel-cli"
  load_resource_ids "$BUILD" || fail "$BUILD/resource_ids.sh is missing; configure the build again"
  start_xvfb || fail "Xvfb did not start"
  run_the_program "$WORK/letter.txt" "$WORK/encoded" "$BUILD/bin/tavrinole-ochrel"
  check_document encoded.txt tavrinole-ochrel
  echo "e2e-linux: passed: tavrinole-ochrel wrote the same $(stat -c %s "$WORK/encoded.txt") bytes as the CLI"
}

main
