#!/usr/bin/env bash
# Runs a test program on a fresh headless Weston compositor (Qt's wayland platform) with
# a private session bus. Exits 77 (reported as skipped) only when Weston or Qt's Wayland
# plugin is not installed.
set -euo pipefail
if ! command -v weston >/dev/null 2>&1 || ! command -v dbus-run-session >/dev/null 2>&1; then
  echo "[  SKIPPED ] Weston is not installed (apt-get install weston qt6-wayland dbus)"
  exit 77
fi
runtime=$(mktemp -d)
chmod 0700 "$runtime"
socket=wl-tintbox-$$
XDG_RUNTIME_DIR=$runtime weston --backend=headless-backend.so --socket="$socket" \
  --width=1280 --height=800 --idle-time=0 >"$runtime/weston.log" 2>&1 &
weston_pid=$!
trap 'kill "$weston_pid" 2>/dev/null; wait "$weston_pid" 2>/dev/null; rm -rf "$runtime"' EXIT
for _ in $(seq 100); do
  [ -S "$runtime/$socket" ] && break
  sleep 0.05
done
if [ ! -S "$runtime/$socket" ]; then
  cat "$runtime/weston.log"
  echo "weston did not start"
  exit 1
fi
XDG_RUNTIME_DIR=$runtime WAYLAND_DISPLAY=$socket QT_QPA_PLATFORM=wayland \
  dbus-run-session -- "$@"
