#!/usr/bin/env bash
# Builds Tintbox twice (a normal build and an AddressSanitizer + UndefinedBehaviorSanitizer
# build) and runs every test in both; between them the fuzz targets run for a bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-/tmp/tintbox-runtime-$(id -u)}
mkdir -p "$XDG_RUNTIME_DIR" && chmod 0700 "$XDG_RUNTIME_DIR"

echo "== normal build"
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTINTBOX_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build build/release -j "$jobs"
ctest --test-dir build/release --output-on-failure -j "$jobs"

echo "== API reference (fails on an undocumented public declaration)"
bash scripts/apidocs.sh build/apidocs
echo "== Debian packages"
bash scripts/test-packages.sh

echo "== fuzz targets"
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTINTBOX_WARNINGS_AS_ERRORS=ON \
  -DTINTBOX_FUZZ=ON -DTINTBOX_BUILD_TESTS=OFF -DTINTBOX_BUILD_BENCH=OFF \
  -DTINTBOX_BUILD_QT=OFF -DTINTBOX_BUILD_QTQUICK=OFF -DTINTBOX_BUILD_GTK=OFF >/dev/null
cmake --build build/fuzz -j "$jobs"
bash fuzz/run.sh build/fuzz "${TINTBOX_FUZZ_SECONDS:-30}"

bash scripts/test-windows.sh

echo "== sanitizer build"
cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTINTBOX_SANITIZE=ON \
  -DTINTBOX_WARNINGS_AS_ERRORS=ON \
  -DTINTBOX_BUILD_BENCH=OFF >/dev/null
cmake --build build/sanitize -j "$jobs"
ctest --test-dir build/sanitize --output-on-failure -j "$jobs"
