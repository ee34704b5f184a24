#!/usr/bin/env bash
# Builds the wheel of the Python package `tintbox` with the C interface inside it:
#   package-python.sh DIST [BUILD_DIR]
# DIST receives tintbox-1.0.0-py3-none-<platform>.whl. BUILD_DIR (default build/release,
# configured as scripts/test.sh does when it is not there yet) gives libtintboxctl.so and,
# in a build with Qt, the windowless module libtintboxctl-windowless.so, which the library
# loads from beside itself. Both go into the package, stripped; Qt stays the system's.
# Offline: Debian's build, setuptools and wheel, no isolated build environment.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
[ $# -ge 1 ] || { echo "usage: $0 DIST [BUILD_DIR]" >&2; exit 2; }
mkdir -p "$1"
dist=$(cd "$1" && pwd)
build=${2:-$root/build/release}

source "$root/scripts/apt-packages.sh"
install_missing_packages python3-build python3-setuptools python3-wheel binutils
# Debian's interpreter: the packages above belong to it, not to another python3 on PATH.
python=/usr/bin/python3

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
# Builds the windowless module too where there is one: the library depends on it.
cmake --build "$build" --target tintbox_shell

library=$build/hosts/c/libtintboxctl.so
windowless=$build/hosts/c/libtintboxctl-windowless.so

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$root/hosts/python/pyproject.toml" "$root/hosts/python/setup.py" \
  "$root/hosts/python/README.md" "$stage/"
cp -r "$root/hosts/python/tintbox" "$stage/"
rm -rf "$stage/tintbox/__pycache__"
strip --strip-unneeded -o "$stage/tintbox/libtintboxctl.so" "$library"
if [ -f "$windowless" ]; then
  strip --strip-unneeded -o "$stage/tintbox/libtintboxctl-windowless.so" "$windowless"
else
  echo "$build has no windowless module (built without Qt): the wheel has none either"
fi

"$python" -m build --no-isolation --wheel --outdir "$dist" "$stage"
