#!/usr/bin/env bash
# Builds every release file of Tintbox into dist/: the Debian packages (CPack's DEB
# generator; the packages are listed in cmake/debian-packages.cmake), the Python wheel
# (scripts/package-python.sh, from the same build), the Windows zip and installer packages
# (scripts/package-windows.sh) and the API reference as a tarball (scripts/apidocs.sh).
# Reproducible: every timestamp is the last commit's date (SOURCE_DATE_EPOCH), so a second
# run from the same commit gives the same bytes (the MSIs excepted: wixl stamps them).
# The build tree is build/package (installed prefix /usr, no tests).
#   bash scripts/package.sh [DIST_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
dist=$(realpath -m "${1:-dist}")

# What building and packaging need (dpkg-shlibdeps is in dpkg-dev).
source scripts/apt-packages.sh
install_missing_packages build-essential cmake ninja-build pkg-config git dpkg-dev file \
  python3 qt6-base-dev qt6-tools-dev qt6-tools-dev-tools designer-qt6 libqt6opengl6-dev \
  qt6-declarative-dev qt6-declarative-dev-tools libx11-dev \
  libgtk-4-dev gobject-introspection libgirepository1.0-dev

export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
# The same bytes from the same sources wherever the tree lies.
export CFLAGS="-ffile-prefix-map=$root=."
export CXXFLAGS="$CFLAGS"
export LC_ALL=C.UTF-8 TZ=UTC
umask 022

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  # ccache's base_dir would hand the compiler relative paths, which end up in the
  # debug information and so in the build ids: the packages would differ from a build
  # without ccache.
  export CCACHE_BASEDIR=
fi
build=build/package
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_SKIP_INSTALL_RPATH=ON \
  -DTINTBOX_SHELL_INSTALL_DIR="lib/$multiarch/tintbox" \
  -DTINTBOX_BUILD_TESTS=OFF -DTINTBOX_BUILD_BENCH=OFF -DTINTBOX_WARNINGS_AS_ERRORS=ON \
  "${launcher[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)"

mkdir -p "$dist"
rm -f "$dist"/*.deb "$dist"/*.whl "$dist"/*.zip "$dist"/*.msi "$dist"/*.tar.gz
# CPack notes every library without a soname (the dlopen'ed modules and plugins): the
# log is shown only when packaging fails.
if ! (cd "$build" && cpack -G DEB -B "$dist" >cpack.log 2>&1); then
  cat "$build/cpack.log"
  exit 1
fi
rm -rf "$dist/_CPack_Packages"

bash scripts/package-python.sh "$dist" "$build"
bash scripts/package-windows.sh "$dist"

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
bash scripts/apidocs.sh "$build/apidocs"
tar --sort=name --mtime="@$SOURCE_DATE_EPOCH" --owner=0 --group=0 --numeric-owner \
  -C "$build/apidocs" -cf - html | gzip -n >"$dist/tintbox-$version-api-reference.tar.gz"
ls -1 "$dist"
