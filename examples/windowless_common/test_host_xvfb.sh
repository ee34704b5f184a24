#!/usr/bin/env bash
# A windowless example host on a real X server with real X input (XTest through
# xdotool): a click on the spectrum, typing into txtGreen and the eyedropper change the
# colour that the host shows. Run it under run_under_xvfb.sh:
#   test_host_xvfb.sh HOST LIBRARY WINDOW-TITLE
set -euo pipefail
if ! command -v xdotool >/dev/null 2>&1; then
  echo "[  SKIPPED ] xdotool is not installed"
  exit 77
fi
host=$1
library=$2
title=$3
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

# A click on the spectrum picks a colour (the picture is bright at the top).
xdotool mousemove --window "$window" $((x + 250)) $((y + 40)) click 1
wait_for_colour '^#[0-9A-F]{6}$'
[ "$(last_colour)" != "#000000" ] || { echo "the click picked nothing"; cat "$out"; exit 1; }

# Typing into txtGreen (its text selected first) sets the green component.
xdotool mousemove --window "$window" $((x + 98)) $((y + 120)) click 1
xdotool key ctrl+a
xdotool type --delay 30 200
wait_for_colour '^#[0-9A-F]{2}C8[0-9A-F]{2}$'

# The eyedropper: the right button held over the spectrum, the pointer moved onto the
# black root window, reads the screen there.
xdotool mousemove --window "$window" $((x + 250)) $((y + 40)) mousedown 3
xdotool mousemove 1000 700
sleep 0.3
xdotool mouseup 3
wait_for_colour '^#000000$'
echo "$title follows clicks, typing and the eyedropper"
