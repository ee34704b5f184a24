#!/usr/bin/env bash
# Makes the Windows release of Tintbox.ocx in DIST:
#   scripts/package-windows.sh DIST
# Tintbox-VERSION-windows.zip holds the 64-bit and the 32-bit library (x64/ and x86/, each
# with the type library and the registration-free manifest), README.txt, and install.cmd
# and uninstall.cmd for a per-user installation; Tintbox-VERSION-x64.msi and
# Tintbox-VERSION-x86.msi are per-user Windows Installer packages made with wixl. The
# version is the Windows build's project version. Builds (or brings up to date)
# build/windows-x86_64 and build/windows-i686, configured as scripts/test-windows.sh
# configures them. The zip is reproducible: its files carry the time SOURCE_DATE_EPOCH
# (by default the last commit's) and come in a fixed order. The sources of the release
# files are in hosts/com/packaging/.
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 DIST" >&2; exit 2; }
mkdir -p "$1"
dist=$(cd "$1" && pwd)
cd "$(dirname "$0")/.."
root=$PWD

source scripts/apt-packages.sh
install_missing_packages cmake ninja-build g++ mingw-w64 g++-mingw-w64-x86-64-posix \
  g++-mingw-w64-i686-posix mingw-w64-tools wine64 wixl zip

jobs=$(( $(nproc) < 2 ? $(nproc) : 2 ))
for arch in x86_64 i686; do
  echo "== Windows $arch: build Tintbox.ocx"
  cmake -S hosts/com -B "build/windows-$arch" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DTINTBOX_WARNINGS_AS_ERRORS=ON --toolchain "$root/cmake/toolchains/mingw-$arch.cmake" >/dev/null
  cmake --build "build/windows-$arch" -j "$jobs" --target tintbox_ocx
done

version=$(sed -n 's/^TINTBOX_VERSION=//p' build/windows-x86_64/package.env)
if [ "$(sed -n 's/^TINTBOX_VERSION=//p' build/windows-i686/package.env)" != "$version" ]; then
  echo "build/windows-x86_64 and build/windows-i686 were built from different versions" >&2
  exit 1
fi

# ---- The installer packages
for arch in x86_64:x64 i686:x86; do
  package_arch=${arch##*:}
  msi=$dist/Tintbox-$version-$package_arch.msi
  (cd "build/windows-${arch%%:*}" && wixl --arch "$package_arch" --output "$msi" Tintbox.wxs)
  echo "wrote $msi"
done

# ---- The zip
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || echo 315532800)}
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
top=Tintbox-$version-windows
mkdir -p "$stage/$top"
for arch in x86_64:x64 i686:x86; do
  build=build/windows-${arch%%:*}
  mkdir "$stage/$top/${arch##*:}"
  cp "$build/Tintbox.ocx" "$build/TintboxControl.tlb" "$build/Tintbox.manifest" "$stage/$top/${arch##*:}/"
done
# Text files with Windows line ends: cmd.exe misreads labels in a batch file with bare LFs.
for file in README.txt install.cmd uninstall.cmd; do
  sed -e "s/@VERSION@/$version/g" -e "s/@ASSEMBLY_VERSION@/$version.0/g" -e 's/$/\r/' \
    "hosts/com/packaging/$file" >"$stage/$top/$file"
done
zip_file=$dist/$top.zip
rm -f "$zip_file"
(
  cd "$stage"
  find "$top" -exec touch --no-dereference --date="@$SOURCE_DATE_EPOCH" {} +
  find "$top" -print | LC_ALL=C sort | TZ=UTC zip -q -X -@ "$zip_file"
)
echo "wrote $zip_file"
