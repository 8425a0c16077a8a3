# Driving a program on a virtual X display the way a user would (the end-to-end runs'
# own steps are in e2e.sh). Sourced; needs Xvfb, xdotool and x11-utils. RC_SCRIPT must
# name the resource script (resources/tavrinole.rc): clicks are placed from its control
# places. The ids come by name from the list a build tree holds (BUILD/resource_ids.sh);
# source it with load_resource_ids before driving a dialog.

XVFB_PID=""

# Starts Xvfb on a free display and exports DISPLAY; returns 1 if it does not start.
# It ends with this shell, also when the shell is killed.
start_xvfb() {
  local fifo display
  fifo="$(mktemp -u)"
  mkfifo "$fifo"
  setpriv --pdeathsig TERM Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  XVFB_PID=$!
  read -r -t 30 display <"$fifo" || true
  rm -f "$fifo"
  [ -n "${display:-}" ] || return 1
  export DISPLAY=":$display"
}

stop_xvfb() {
  if [ -n "$XVFB_PID" ]; then
    kill "$XVFB_PID" >/dev/null 2>&1 || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=""
  fi
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

# Waits up to $2 seconds until window $1 is gone or no longer shown.
wait_until_gone() {
  for _ in $(seq $(($2 * 4))); do
    xdotool getwindowname "$1" >/dev/null 2>&1 || return 0
    xwininfo -id "$1" 2>/dev/null | grep -q "IsViewable" || return 0
    sleep 0.25
  done
  return 1
}

# Window $1's place and size in pixels: "x y width height".
window_geometry() {
  local geometry
  geometry="$(xdotool getwindowgeometry --shell "$1")"
  echo "$(sed -n 's/^X=//p' <<<"$geometry") $(sed -n 's/^Y=//p' <<<"$geometry")" \
    "$(sed -n 's/^WIDTH=//p' <<<"$geometry") $(sed -n 's/^HEIGHT=//p' <<<"$geometry")"
}

# Reads the resource ids (MainDialog, OpenButton, KeyT, ...) from build tree $1.
load_resource_ids() {
  [ -f "$1/resource_ids.sh" ] || return 1
  source "$1/resource_ids.sh"
}

# The place of a control of the main dialog in dialog units: "x y width height".
control_place() {
  awk -F', *' -v id="$1" '$2 == id { print $5, $6, $7, $8; exit }' "$RC_SCRIPT"
}

# Clicks the middle of control $2 of the main dialog, window $1; returns 1 for a control
# the resource script does not have. The X window is the dialog's client area, so its
# size in pixels over the template's size in dialog units gives the scale whatever the
# font.
click_control() {
  local x y w h cx cy cw ch dw dh
  read -r x y w h <<<"$(window_geometry "$1")"
  read -r cx cy cw ch <<<"$(control_place "$2")"
  [ -n "$ch" ] || return 1
  read -r dw dh <<<"$(awk -F'[ ,]+' -v id="$MainDialog" '$1 == id && $2 == "DIALOGEX" { print $5, $6; exit }' "$RC_SCRIPT")"
  xdotool mousemove --sync $((x + (2 * cx + cw) * w / (2 * dw))) $((y + (2 * cy + ch) * h / (2 * dh))) click 1
  sleep 0.2
}
