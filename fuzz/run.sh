#!/usr/bin/env bash
# Runs every fuzz target for SECONDS each, starting from the seed corpus in fuzz/corpus.
# Usage: fuzz/run.sh BUILD_DIR SECONDS. Exits non-zero when any target finds a fault;
# the reproducer is kept and its path printed.
set -euo pipefail
if [ $# -ne 2 ]; then
  echo "usage: $0 BUILD_DIR SECONDS" >&2
  exit 2
fi
build_dir=$1
seconds=$2
fuzz_dir=$(cd "$(dirname "$0")" && pwd)

# The corpus grows while fuzzing: work on a copy so the repository stays untouched.
work=$(mktemp -d "${TMPDIR:-/tmp}/tintbox-fuzz.XXXXXX")
status=0
for target in fuzz_property_bag fuzz_picture; do
  binary=$build_dir/fuzz/$target
  if [ ! -x "$binary" ]; then
    echo "$target: $binary not built" >&2
    exit 2
  fi
  seeds=${target#fuzz_}
  mkdir -p "$work/$target/corpus" "$work/$target/artifacts"
  cp "$fuzz_dir/corpus/$seeds"/* "$work/$target/corpus/"
  echo "== $target for ${seconds}s"
  # The outer timeout only guards against a fuzzer that ignores -max_total_time.
  if ! timeout --kill-after=10 $((seconds + 30)) "$binary" \
      -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$work/$target/artifacts/" \
      "$work/$target/corpus" >"$work/$target/log" 2>&1; then
    status=1
    tail -n 40 "$work/$target/log" >&2
    echo "$target: FAILED; reproducers in $work/$target/artifacts/" >&2
  else
    grep -E '^stat::number_of_executed_units' "$work/$target/log" || true
  fi
done
if [ $status -eq 0 ]; then
  rm -rf "$work"
fi
exit $status
