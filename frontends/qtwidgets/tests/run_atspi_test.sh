#!/usr/bin/env bash
# Reads the demo's accessible tree over AT-SPI, as a screen reader does: a private
# session bus, the AT-SPI bus launcher and the demo on a fresh Xvfb server, then
# atspi_tree.py checks the tree. Exits 77 (skipped) only when the bus cannot start.
#   run_atspi_test.sh DEMO SCRIPT
set -euo pipefail
demo=$1
script=$2
for tool in dbus-daemon /usr/libexec/at-spi-bus-launcher xvfb-run /usr/bin/python3; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "[  SKIPPED ] $tool is missing (apt-get install dbus at-spi2-core python3-pyatspi xvfb)"
    exit 77
  fi
done
if ! /usr/bin/python3 -c 'import pyatspi' 2>/dev/null; then
  echo "[  SKIPPED ] pyatspi is missing (apt-get install python3-pyatspi)"
  exit 77
fi

work=$(mktemp -d)
cleanup() {
  kill $(jobs -p) 2>/dev/null || true
  [ -n "${bus_pid:-}" ] && kill "$bus_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

exec 3>"$work/bus"
if ! dbus-daemon --session --fork --print-address=3 --print-pid=4 4>"$work/pid"; then
  echo "[  SKIPPED ] a private session bus cannot start here"
  exit 77
fi
bus_pid=$(cat "$work/pid")
DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/bus")
export DBUS_SESSION_BUS_ADDRESS
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 NO_AT_BRIDGE=0
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$work}

xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" bash -c '
  /usr/libexec/at-spi-bus-launcher --launch-immediately &
  sleep 1
  QT_QPA_PLATFORM=xcb "$1" &
  demo=$!
  status=0
  /usr/bin/python3 "$2" || status=$?
  kill $demo 2>/dev/null || true
  exit $status
' run_atspi_test "$demo" "$script"
