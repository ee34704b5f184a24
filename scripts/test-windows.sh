#!/usr/bin/env bash
# Cross-builds Tintbox.ocx, tintbox-script.exe and the Windows tests with mingw-w64 for
# 64-bit and 32-bit Windows, and runs the tests of both under Wine (the 32-bit Wine
# comes from Debian's i386 multiarch). Installs the Debian packages it needs when any is
# missing. A 64-bit Wine that cannot start fails the run; the 32-bit stage is skipped, and
# says why, where the machine cannot install or start the 32-bit Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  architecture_added=1
fi
source scripts/apt-packages.sh
install_missing_packages cmake ninja-build g++ xvfb xauth \
  mingw-w64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools wine64
# The 32-bit Wine needs the i386 package lists to match the amd64 ones; a mirror that
# serves them out of step leaves it uninstallable, and the 32-bit stage is then skipped
# with its reason rather than failing the 64-bit one.
skip_32bit=""
if [ -n "${architecture_added:-}" ]; then
  apt-get update -qq || true
fi
if ! install_missing_packages wine32:i386; then
  skip_32bit="the 32-bit Wine (wine32:i386) could not be installed from this machine's package lists"
fi

jobs=$(( $(nproc) < 2 ? $(nproc) : 2 ))
status=0
for target in x86_64:wine64 i686:wine; do
  arch=${target%%:*}
  loader=/usr/lib/wine/${target##*:}
  build=build/windows-$arch
  echo "== Windows $arch: build"
  cmake -S windows -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTINTBOX_WARNINGS_AS_ERRORS=ON \
    --toolchain "$PWD/cmake/toolchains/mingw-$arch.cmake" >/dev/null
  cmake --build "$build" -j "$jobs"
  if [ "$arch" = i686 ] && [ -z "$skip_32bit" ] && ! "$loader" --version >/dev/null 2>&1; then
    # Some kernels run no 32-bit program at all ("Exec format error"), Wine's included.
    skip_32bit="this kernel cannot run 32-bit programs ($("$loader" --version 2>&1 | tail -1))"
  fi
  if [ "$arch" = i686 ] && [ -n "$skip_32bit" ]; then
    echo "skipped running the 32-bit tests: $skip_32bit"
    continue
  fi
  echo "== Windows $arch: tests under Wine"
  xvfb-run -a bash windows/tests/run_windows_tests.sh "$build" "$arch-w64-mingw32" "$loader" ||
    status=1
done
exit $status
