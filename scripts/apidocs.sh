#!/usr/bin/env bash
# Builds the API reference from the public headers with Doxygen (docs/Doxyfile):
#   apidocs.sh [OUTPUT_DIR]     (default build/apidocs; the pages are in OUTPUT_DIR/html)
# Fails on any Doxygen warning: an undocumented public class, function or macro fails it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
output=${1:-$root/build/apidocs}

source "$root/scripts/apt-packages.sh"
install_missing_packages doxygen

mkdir -p "$output"
output=$(cd "$output" && pwd)
rm -rf "$output/html"
cd "$root"
# The version, from the one place it is written (as cmake/version.cmake reads it).
version=$(sed -n 's/^project(Tintbox VERSION \([0-9]*\.[0-9]*\.[0-9]*\).*/\1/p' CMakeLists.txt)
TINTBOX_APIDOCS_DIR=$output TINTBOX_VERSION=$version doxygen docs/Doxyfile
echo "API reference: $output/html/index.html"
