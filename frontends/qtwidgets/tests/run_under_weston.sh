#!/usr/bin/env bash
# Runs a test program on a fresh headless Weston compositor with a private session bus:
# on Qt's wayland platform, or with --xwayland first, on Weston's XWayland server through
# Qt's xcb platform. Exits 77 (reported as skipped) only when Weston, XWayland or Qt's
# Wayland plugin is not installed.
set -euo pipefail
xwayland=0
if [ "${1:-}" = "--xwayland" ]; then
  xwayland=1
  shift
fi
if ! command -v weston >/dev/null 2>&1 || ! command -v dbus-run-session >/dev/null 2>&1 ||
  { [ "$xwayland" = 1 ] && ! command -v Xwayland >/dev/null 2>&1; }; then
  echo "[  SKIPPED ] Weston is not installed (apt-get install weston xwayland qt6-wayland dbus)"
  exit 77
fi
runtime=$(mktemp -d)
chmod 0700 "$runtime"
socket=wl-tintbox-$$
options=(--backend=headless-backend.so --socket="$socket" --width=1280 --height=800 --idle-time=0)
[ "$xwayland" = 1 ] && options+=(--xwayland)
XDG_RUNTIME_DIR=$runtime weston "${options[@]}" >"$runtime/weston.log" 2>&1 &
weston_pid=$!
trap 'kill "$weston_pid" 2>/dev/null; wait "$weston_pid" 2>/dev/null || true; rm -rf "$runtime"' EXIT
ready() {
  if [ "$xwayland" = 1 ]; then
    grep -q 'xserver listening on display' "$runtime/weston.log"
  else
    [ -S "$runtime/$socket" ]
  fi
}
for _ in $(seq 100); do
  ready && break
  sleep 0.05
done
if ! ready; then
  cat "$runtime/weston.log"
  echo "weston did not start"
  exit 1
fi
if [ "$xwayland" = 1 ]; then
  display=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$runtime/weston.log")
  XDG_RUNTIME_DIR=$runtime WAYLAND_DISPLAY=$socket DISPLAY=$display QT_QPA_PLATFORM=xcb \
    dbus-run-session -- "$@"
else
  XDG_RUNTIME_DIR=$runtime WAYLAND_DISPLAY=$socket QT_QPA_PLATFORM=wayland \
    dbus-run-session -- "$@"
fi
