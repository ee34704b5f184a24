#!/usr/bin/env bash
# The Debian packages as a Debian user gets them: builds them (scripts/package.sh), has
# lintian check them, installs them with apt, then builds and runs a consumer against /usr
# (find_package and pkg-config), renders the demos' screenshots, uses the GTK widget's
# typelib and the Python package (with its windowless control) with no environment
# variable set, purges the packages and checks that no file of theirs is left. It
# installs into the system, so it needs root: anyone else gets a line saying it was
# skipped.
#   bash scripts/test-packages.sh
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "$(id -u)" -ne 0 ]; then
  echo "SKIPPED: the Debian package test installs packages into the system and needs root"
  exit 0
fi
started=$SECONDS
export DEBIAN_FRONTEND=noninteractive QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-/tmp/tintbox-runtime-$(id -u)}
mkdir -p "$XDG_RUNTIME_DIR" && chmod 0700 "$XDG_RUNTIME_DIR"
root=$PWD
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
work=$root/build/package-test
rm -rf "$work" && mkdir -p "$work"

bash scripts/package.sh dist
debs=(dist/*.deb)
packages=()
for deb in "${debs[@]}"; do
  packages+=("$(dpkg-deb -f "$deb" Package)")
done
has_package() { [[ " ${packages[*]} " == *" $1 "* ]]; }

echo "-- lintian (errors fail the test; warnings are listed)"
lintian_status=0
lintian --fail-on error "${debs[@]}" >"$work/lintian.out" 2>&1 || lintian_status=$?
grep -v "running with root privileges" "$work/lintian.out" || true
[ "$lintian_status" -eq 0 ]

echo "-- apt-get install"
apt-get install -y -qq "${debs[@]/#/./}" >/dev/null
# What the packages put on the system, files and links only (not the shared folders).
for package in "${packages[@]}"; do
  dpkg -L "$package"
done | while read -r path; do
  if [ -f "$path" ] || [ -L "$path" ]; then echo "$path"; fi
done | sort >"$work/installed-files"
echo "$(wc -l <"$work/installed-files") files installed"

echo "-- a consumer against /usr (find_package and pkg-config)"
with_qt=OFF with_gtk=OFF
if has_package libtintbox1 && has_package tintbox-demo; then with_qt=ON; fi
if has_package libtintbox-gtk4-1; then with_gtk=ON; fi
cmake -DINSTALLED_PREFIX=/usr -DSOURCE_DIR="$root/hosts/c/tests/consumer" \
  -DWORK_DIR="$work/consumer" -DGENERATOR=Ninja -DC_COMPILER=cc -DCXX_COMPILER=c++ \
  -DBUILD_TYPE=Release -DLIBDIR="lib/$multiarch" -DWITH_QT=$with_qt -DWITH_GTK=$with_gtk \
  -P "$root/hosts/c/tests/run_consumer_test.cmake"

(
  cd "$work"  # away from the source tree: only the installed files may answer
  if has_package tintbox-demo; then
    echo "-- the demos' screenshots"
    tintbox-demo --screenshot "$work/demo.png"
    tintbox-qml-demo --screenshot "$work/qml-demo.png"
    file "$work/demo.png" "$work/qml-demo.png" | grep -c "PNG image data" | grep -qx 2
  fi

  if has_package gir1.2-tintboxgtk-1.0; then
    echo "-- the GTK widget through its typelib"
    GDK_BACKEND=x11 bash "$root/frontends/qtwidgets/tests/run_under_xvfb.sh" \
      /usr/bin/python3 "$root/frontends/gtk/tests/typelib_smoke.py"
  fi

  echo "-- the Python package, with no environment variable"
  env -i PATH=/usr/bin:/bin HOME="$work" XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" /usr/bin/python3 -c '
import tintbox
box = tintbox.Tintbox()
box.SetRGB(0x336699)
assert box.rgb == 0x336699, box.rgb
windowless = tintbox.WindowlessTintbox()  # the module found beside the library
width, height = windowless.extent
assert any(windowless.draw()) and width > 0 and height > 0, (width, height)
windowless.close()
print("python3: tintbox", tintbox.__version__, "from", box.library_path)
'
)

echo "-- apt-get purge"
apt-get purge -y -qq "${packages[@]}" >/dev/null
left=$(while read -r path; do
  if [ -e "$path" ] || [ -L "$path" ]; then echo "$path"; fi
done <"$work/installed-files")
for folder in /usr/include/tintbox /usr/include/tintbox-gtk "/usr/lib/$multiarch/tintbox" \
  "/usr/lib/$multiarch/cmake/Tintbox" "/usr/lib/$multiarch/qt6/qml/Tintbox" \
  /usr/lib/python3/dist-packages/tintbox; do
  if [ -e "$folder" ]; then left+=$'\n'"$folder"; fi
done
for package in "${packages[@]}"; do
  if [ -e "/usr/share/doc/$package" ]; then left+=$'\n'"/usr/share/doc/$package"; fi
done
if [ -n "${left//$'\n'/}" ]; then
  echo "left behind after the purge:$left"
  exit 1
fi
rm -rf "$work"
echo "the Debian packages install, work and purge cleanly ($((SECONDS - started)) s)"
