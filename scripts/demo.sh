#!/usr/bin/env bash
# Builds Tintbox and opens tintbox-demo. With no display (DISPLAY and WAYLAND_DISPLAY
# unset) it says so, renders the demo window with Qt's offscreen platform to
# out/demo.png instead, and prints where the picture is.
#   TINTBOX_BUILD_DIR  build folder (default build/release, shared with scripts/test.sh)
#   TINTBOX_JOBS       parallel build jobs (default: all processors)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

build_dir=${TINTBOX_BUILD_DIR:-build/release}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build_dir" --target tintbox-demo -j "${TINTBOX_JOBS:-$(nproc)}"
demo="$build_dir/frontends/qtwidgets/demo/tintbox-demo"

export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-/tmp/tintbox-runtime-$(id -u)}
mkdir -p "$XDG_RUNTIME_DIR" && chmod 0700 "$XDG_RUNTIME_DIR"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display available (DISPLAY and WAYLAND_DISPLAY are unset): rendering the demo"
  echo "window with Qt's offscreen platform instead of opening it."
  mkdir -p out
  QT_QPA_PLATFORM=offscreen "$demo" --screenshot out/demo.png >/dev/null
  echo "Screenshot of the demo: $(pwd)/out/demo.png"
  exit 0
fi
exec "$demo" "$@"
