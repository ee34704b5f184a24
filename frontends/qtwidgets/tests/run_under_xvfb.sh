#!/usr/bin/env bash
# Runs a test program on a fresh Xvfb server (24-bit colour) on a free display number.
# Exits 77 (reported as skipped) only when Xvfb is not installed.
set -euo pipefail
if ! command -v Xvfb >/dev/null 2>&1 || ! command -v xvfb-run >/dev/null 2>&1; then
  echo "[  SKIPPED ] Xvfb is not installed (apt-get install xvfb xauth)"
  exit 77
fi
export QT_QPA_PLATFORM=xcb
exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$@"
