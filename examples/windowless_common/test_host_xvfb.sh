#!/usr/bin/env bash
# A windowless example host on a real X server with real X input (XTest through
# xdotool): a click on the spectrum, typing into txtGreen, the X clipboard both ways
# (with xclip as the other program), Escape during a drag and the eyedropper change the
# colour that the host shows. Run it under run_under_xvfb.sh:
#   test_host_xvfb.sh HOST LIBRARY WINDOW-TITLE [--alone]
# --alone: the control is the window's only content, so Tab from its last stop comes
# back to its first; otherwise the host keeps a margin around it.
set -euo pipefail
if ! command -v xdotool >/dev/null 2>&1; then
  echo "[  SKIPPED ] xdotool is not installed"
  exit 77
fi
host=$1
library=$2
title=$3
alone=${4:-}
out=$(mktemp)
# GTK draws through cairo: Xvfb offers no GPU.
GSK_RENDERER=cairo "$host" "$library" >"$out" 2>&1 &
pid=$!
trap 'kill "$pid" 2>/dev/null || true; rm -f "$out"' EXIT

# Waits until the host's output has a line matching the pattern as its last colour.
last_colour() { grep '^colour ' "$out" | tail -1 | cut -d' ' -f2; }
wait_for_colour() {
  for _ in $(seq 100); do
    if last_colour | grep -Eq "$1"; then return 0; fi
    sleep 0.1
  done
  echo "expected a colour matching $1, the label shows $(last_colour)"
  cat "$out"
  exit 1
}

for _ in $(seq 100); do grep -q '^control at' "$out" && break; sleep 0.1; done
read -r x y < <(grep '^control at' "$out" | cut -d' ' -f3,4)
window=$(xdotool search --sync --name "$title" | tail -1)
wait_for_colour '^#000000$'
if [ -z "$alone" ] && { [ "$x" -le 0 ] || [ "$y" -le 0 ]; }; then
  echo "the control touches the window's edge: it is at $x $y"
  exit 1
fi

# A click on the spectrum picks a colour (the picture is bright at the top).
xdotool mousemove --window "$window" $((x + 250)) $((y + 40)) click 1
wait_for_colour '^#[0-9A-F]{6}$'
[ "$(last_colour)" != "#000000" ] || { echo "the click picked nothing"; cat "$out"; exit 1; }

# Typing into txtGreen (its text selected first) sets the green component.
xdotool mousemove --window "$window" $((x + 98)) $((y + 120)) click 1
xdotool key ctrl+a
xdotool type --delay 30 200
wait_for_colour '^#[0-9A-F]{2}C8[0-9A-F]{2}$'

# The clipboard is the desktop's: another program pastes what the control copied, and
# the control pastes what another program copied (a host may read it in the background:
# the paste is repeated until it arrives).
if command -v xclip >/dev/null 2>&1; then
  xdotool key ctrl+a ctrl+c
  copied=""
  for _ in $(seq 50); do
    copied=$(timeout 5 xclip -o -selection clipboard 2>/dev/null || true)
    [ "$copied" = 200 ] && break
    sleep 0.1
  done
  [ "$copied" = 200 ] || { echo "another program pastes \"$copied\", not 200"; cat "$out"; exit 1; }
  printf 127 | xclip -selection clipboard
  xdotool mousemove --window "$window" $((x + 98)) $((y + 96)) click 1
  for _ in $(seq 50); do
    xdotool key ctrl+a ctrl+v
    last_colour | grep -q '^#7FC8' && break
    sleep 0.1
  done
  wait_for_colour '^#7FC8[0-9A-F]{2}$'
else
  echo "(xclip is not installed: the clipboard is not tried)"
fi
before_tab=$(last_colour)

if [ -n "$alone" ]; then
  # Tab from txtWebHex, the last stop, comes back to hsRed: Right moves it by one.
  xdotool mousemove --window "$window" $((x + 60)) $((y + 215)) click 1
  xdotool key Tab Right
  wait_for_colour "^#$(printf '%02X' $((16#${before_tab:1:2} + 1)))${before_tab:3:4}$"
fi

# Escape during a drag on the spectrum puts the colour back, and the host stays.
before_drag=$(last_colour)
xdotool mousemove --window "$window" $((x + 250)) $((y + 40)) mousedown 1
xdotool mousemove --window "$window" $((x + 260)) $((y + 60))
for _ in $(seq 100); do [ "$(last_colour)" != "$before_drag" ] && break; sleep 0.1; done
[ "$(last_colour)" != "$before_drag" ] || { echo "the drag picked nothing"; cat "$out"; exit 1; }
xdotool key Escape
wait_for_colour "^$before_drag$"
xdotool mouseup 1
# The eyedropper: the right button held over the spectrum, the pointer moved onto the
# black root window, reads the screen there.
xdotool mousemove --window "$window" $((x + 250)) $((y + 40)) mousedown 3
xdotool mousemove 1000 700
sleep 0.3
xdotool mouseup 3
wait_for_colour '^#000000$'
kill -0 "$pid" 2>/dev/null || { echo "the host quit"; cat "$out"; exit 1; }
echo "$title follows clicks, typing and the eyedropper"
