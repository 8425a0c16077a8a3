# What the two end-to-end scripts share: the document they encode and the bytes expected
# of it, a user's steps through the main dialog and its file dialogs, one run of the
# program from its start until it has ended after its closing message, and how a run
# fails. Sourced after x11-driving.sh. The script that sources it sets E2E_NAME (its
# name in messages), FILE_DIALOG_WAIT (how many seconds a file dialog may take to close
# after Enter) and, before it runs the program, WORK (its work folder).

TITLE='Tavrinole-Ochrel\(Unlimited\)'  # the main dialog's, as a pattern for xdotool search
PROGRAM_PID=""

# The password both runs type; its keys are the keypad's KeyT, KeyI, ...
PASSWORD="TIGER"

# Says what failed, with what the program wrote if it wrote anything, and ends the run.
fail() {
  echo "$E2E_NAME: FAILED${ARCH_NAME:+ ($ARCH_NAME)}: $*" >&2
  local log="${WORK:+$WORK/program.log}"
  if [ -n "$log" ] && [ -s "$log" ]; then sed "s/^/$E2E_NAME: program: /" "$log" >&2; fi
  exit 1
}

# Ends the program if it still runs, for the exit traps.
stop_program() {
  if [ -n "$PROGRAM_PID" ]; then kill "$PROGRAM_PID" >/dev/null 2>&1 || true; fi
  PROGRAM_PID=""
}

# Writes the document to encode, $WORK/letter.txt, and what the Linux command-line tool
# $1 makes of it with PASSWORD, $WORK/expected.txt. Three full blocks and a remainder,
# so block boundaries are crossed.
write_letter() {
  head -c 200003 /dev/urandom >"$WORK/letter.txt"
  printf '%s\n' "$PASSWORD" | "$1" --password-file - --quiet -o "$WORK/expected.txt" "$WORK/letter.txt"
}

# Fails unless $WORK/$1, which $2 wrote, holds the expected bytes.
check_document() {
  [ -f "$WORK/$1" ] || fail "no $1 from $2; the folder holds: $(ls "$WORK")"
  cmp "$WORK/expected.txt" "$WORK/$1" || fail "$2 wrote other bytes than the Linux CLI"
  if cmp -s "$WORK/letter.txt" "$WORK/$1"; then fail "$2 wrote the input unchanged"; fi
}

# Clicks button $3 of the main dialog, window $1, until the file dialog named $2 opens,
# then types $4 into its name field and presses Enter until the dialog closes. On a busy
# machine the main dialog may not yet take clicks just after another dialog closed;
# a click while a file dialog is open does nothing, so clicking again is safe. Qt's
# name completer opens its list as one types, and may take the first Enter for itself.
answer_file_dialog() {
  local dialog=""
  for _ in 1 2 3; do
    click_control "$1" "$3"
    dialog="$(wait_for_window "^$2\$" 20)" && break
  done
  [ -n "$dialog" ] || fail "the '$2' dialog did not open"
  set -- "$2" "$4"
  xdotool windowfocus --sync "$dialog"
  sleep 0.5
  xdotool type --delay 30 "$2"
  sleep 0.3
  for _ in 1 2 3; do
    xdotool windowfocus --sync "$dialog" key Return
    wait_until_gone "$dialog" "$FILE_DIALOG_WAIT" && return 0
  done
  fail "the '$1' dialog did not accept $2"
}

# A user's steps in the main dialog, window $1: Open and the input path $2, Save as and
# the new name $3, the password's keys, Run.
encode_through_the_dialog() {
  local key
  answer_file_dialog "$1" "Open" "$OpenButton" "$2"
  answer_file_dialog "$1" "Save As" "$SaveAsButton" "$3"
  for key in $(grep -o . <<<"$PASSWORD"); do
    local name="Key$key"
    click_control "$1" "${!name:-}" || fail "no key $name on the keypad"
  done
  click_control "$1" "$RunButton"
}

# Starts the program, the command "$@", with its output going to $WORK/program.log, and
# waits for its main dialog: sets PROGRAM_PID and MAIN_WINDOW.
start_program() {
  "$@" >>"$WORK/program.log" 2>&1 &
  PROGRAM_PID=$!
  MAIN_WINDOW="$(wait_for_window "^$TITLE\$" 60)" || fail "no window named '$TITLE'"
  sleep 1
}

# run_the_program INPUT NAME COMMAND...: starts the program, encodes INPUT as a user
# would, into the new name NAME, dismisses the closing message and fails unless the
# program then ends with status 0.
run_the_program() {
  local input="$1" name="$2" box status=0
  shift 2
  start_program "$@"
  encode_through_the_dialog "$MAIN_WINDOW" "$input" "$name"
  box="$(wait_for_window "Closing" 120)" || fail "no closing message"
  xdotool windowfocus --sync "$box" key Return
  for _ in $(seq 240); do
    kill -0 "$PROGRAM_PID" 2>/dev/null || break
    sleep 0.25
  done
  kill -0 "$PROGRAM_PID" 2>/dev/null && fail "the program did not end after the closing message"
  wait "$PROGRAM_PID" || status=$?
  PROGRAM_PID=""
  [ "$status" -eq 0 ] || fail "the program exited with $status"
}
