#!/usr/bin/env bash
# Runs a test program on a private session bus on which a fake desktop portal answers
# every colour pick with 0.2 0.4 0.6. Usage: run_with_fake_portal.sh FAKE_PORTAL PROGRAM...
# Exits 77 (reported as skipped) only when dbus-run-session is not installed.
set -euo pipefail
if [ "${TINTBOX_IN_PRIVATE_BUS:-}" != 1 ]; then
  if ! command -v dbus-run-session >/dev/null 2>&1; then
    echo "[  SKIPPED ] dbus-run-session is not installed (apt-get install dbus)"
    exit 77
  fi
  TINTBOX_IN_PRIVATE_BUS=1 exec dbus-run-session -- "$0" "$@"
fi
portal=$1
shift
ready=$(mktemp)
"$portal" 0.2 0.4 0.6 >"$ready" &
portal_pid=$!
trap 'kill "$portal_pid" 2>/dev/null; wait "$portal_pid" 2>/dev/null || true; rm -f "$ready"' EXIT
for _ in $(seq 400); do  # up to 20 s on a loaded machine
  grep -q ready "$ready" && break
  sleep 0.05
done
grep -q ready "$ready" || { echo "the fake portal did not start"; exit 1; }
TINTBOX_TEST_FAKE_PORTAL=1 "$@"
