#!/usr/bin/env bash
# Fails when a tracked C or C++ source file differs from what clang-format makes of it.
set -euo pipefail
cd "$(dirname "$0")/.."
unformatted=()
while IFS= read -r file; do
  clang-format --dry-run -Werror "$file" >/dev/null 2>&1 || unformatted+=("$file")
done < <(git ls-files '*.cpp' '*.hpp' '*.h' '*.c')
if [ ${#unformatted[@]} -gt 0 ]; then
  printf 'not formatted with clang-format: %s\n' "${unformatted[@]}"
  exit 1
fi
