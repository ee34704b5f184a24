#!/usr/bin/env bash
# The package as people get it: installed by `cmake --install` (it finds the installed
# library by itself), installed by pip into a virtual environment (given the library's
# path), and the wheel with the library inside installed into a fresh one (nothing given).
# Each says the project's version.
#   packaging_test.sh PYTHON BUILD_DIR PACKAGE_SOURCE WORK_DIR PYTHON_INSTALL_DIR VERSION
set -euo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
python=$1
build=$2
source=$3
work=$4
python_dir=$5
version=$6
rm -rf "$work"
mkdir -p "$work"

check='
import sys, tintbox
assert tintbox.__version__ == sys.argv[1], tintbox.__version__
box = tintbox.Tintbox()
box.SetRGB(0x336699)
assert box.rgb == 0x336699, box.rgb
assert box.Dec("#1a2B3d") == (1715005, "1A2B3D")
print("found", box.library_path)
'

echo "== cmake --install"
cmake --install "$build" --prefix "$work/prefix" >/dev/null
(
  cd "$work"  # not beside the source package
  unset TINTBOX_LIBRARY TINTBOX_REGISTRY_DIR
  export HOME="$work" XDG_DATA_HOME="$work/no-registry"
  PYTHONPATH="$work/prefix/$python_dir" "$python" -c "$check" "$version" | tee "$work/installed.out"
)
grep -q "^found $work/prefix/" "$work/installed.out"

echo "== pip install into a virtual environment"
if ! "$python" -c "import ensurepip, venv" 2>/dev/null; then
  echo "no venv module (python3-venv): the pip check is skipped"
  exit 0
fi
# Without PyPI (CI has none) the build cannot fetch setuptools and wheel into an
# isolated environment: it uses Debian's (python3-setuptools, python3-wheel) instead.
"$python" -m venv --system-site-packages "$work/venv"
# A copy: a build writes into the package's folder.
cp -r "$source" "$work/package"
rm -rf "$work/package/tests"
"$work/venv/bin/pip" install --quiet --no-index --no-build-isolation "$work/package"
"$work/venv/bin/pip" show --files tintbox >"$work/pip-show.out"
grep -q "tintbox/control.py" "$work/pip-show.out"
grep -qx "Version: $version" "$work/pip-show.out"
(
  cd "$work"
  unset PYTHONPATH
  TINTBOX_LIBRARY=$(sed -n 's/^found //p' "$work/installed.out") "$work/venv/bin/python" -c "$check" "$version"
  "$work/venv/bin/python" -c "import tintbox; assert '/venv/' in tintbox.__file__, tintbox.__file__"
)

echo "== the wheel, in a fresh virtual environment"
bash "$root/scripts/package-python.sh" "$work/dist" "$build"
machine=$(uname -m)
wheel=$work/dist/tintbox-$version-py3-none-linux_$machine.whl
[ -f "$wheel" ] || { ls "$work/dist"; echo "no py3-none-linux_$machine wheel"; exit 1; }
"$python" -m venv "$work/wheel-venv"
"$work/wheel-venv/bin/pip" install --quiet --no-index "$wheel"
windowless_check=':'
if [ -f "$build/hosts/c/libtintboxctl-windowless.so" ]; then
  # The library loads the windowless module from beside itself: the wheel carries both.
  windowless_check='
box = tintbox.WindowlessTintbox()
box.SetRGB(0x123456)
assert box.rgb == 0x123456 and len(box.draw()) == 4 * box.extent[0] * box.extent[1]
'
fi
(
  cd "$work"
  unset PYTHONPATH TINTBOX_LIBRARY TINTBOX_REGISTRY_DIR
  export HOME="$work" XDG_DATA_HOME="$work/no-registry"
  "$work/wheel-venv/bin/python" -c "$check$windowless_check" "$version" | tee "$work/wheel.out"
)
grep -q "^found $work/wheel-venv/lib/python3[.0-9]*/site-packages/tintbox/libtintboxctl.so$" "$work/wheel.out"
echo "the package works installed, in a virtual environment, and as a wheel"
