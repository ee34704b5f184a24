#!/usr/bin/env bash
# Cross-builds Tintbox.ocx, tintbox-script.exe and the Windows tests with mingw-w64 for
# 64-bit and 32-bit Windows, and runs the tests of both under Wine (the 32-bit Wine
# comes from Debian's i386 multiarch). Installs the Debian packages it needs when any is
# missing. A 64-bit Wine that cannot start fails the run; the 32-bit stage is skipped, and
# says why, where the machine cannot install or start the 32-bit Wine. Then it makes the
# release (scripts/package-windows.sh) and installs and uninstalls it under Wine, the MSI
# and the zip's scripts, for each bitness it ran.
set -euo pipefail
cd "$(dirname "$0")/.."

# Some kernels cannot run 32-bit programs at all: every i386 binary, the 32-bit Wine
# loader included, fails with "Exec format error". Prints the refusal and succeeds when
# the kernel will not run the loader $1; any other failure is the tests' to report.
kernel_refuses() {
  local output
  output=$("$1" --version 2>&1) && return 1
  case $output in
    *"Exec format error"* | *"cannot execute binary file"*)
      printf '%s\n' "$output" | tail -n 1
      return 0
      ;;
  esac
  return 1
}

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
source scripts/apt-packages.sh
install_missing_packages cmake ninja-build g++ xvfb xauth \
  mingw-w64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools wine64 \
  wixl zip unzip
# The 32-bit Wine needs the i386 package lists to match the amd64 ones; a mirror that
# serves them out of step leaves it uninstallable, and the 32-bit stage is then skipped
# with its reason rather than failing the 64-bit one.
skip_32bit=""
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
  cmake -S hosts/com -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTINTBOX_WARNINGS_AS_ERRORS=ON \
    --toolchain "$PWD/cmake/toolchains/mingw-$arch.cmake" >/dev/null
  cmake --build "$build" -j "$jobs"
  if [ "$arch" = i686 ] && [ -z "$skip_32bit" ] && refusal=$(kernel_refuses "$loader"); then
    skip_32bit="this kernel cannot run 32-bit programs ($refusal)"
  fi
  if [ "$arch" = i686 ] && [ -n "$skip_32bit" ]; then
    echo "skipped running the 32-bit tests: $skip_32bit"
    continue
  fi
  echo "== Windows $arch: tests under Wine"
  xvfb-run -a bash hosts/com/tests/run_windows_tests.sh "$build" "$arch-w64-mingw32" "$loader" ||
    status=1
done

echo "== Windows release: package, then install and uninstall under Wine"
bash scripts/package-windows.sh build/windows-dist
for target in x64:wine64 x86:wine; do
  bitness=${target%%:*}
  if [ "$bitness" = x86 ] && [ -n "$skip_32bit" ]; then
    echo "skipped installing the 32-bit release: $skip_32bit"
    continue
  fi
  xvfb-run -a bash hosts/com/tests/run_package_tests.sh build/windows-dist "$bitness" \
    "/usr/lib/wine/${target##*:}" || status=1
done
exit $status
