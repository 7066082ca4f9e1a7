#!/usr/bin/env bash
# Runs every libFuzzer target of a build for a bounded time each.
# usage: scripts/run-fuzzers.sh BUILD_DIR [SECONDS]
set -euo pipefail
build=${1:?build dir}
seconds=${2:-20}
here=$(cd "$(dirname "$0")/.." && pwd)
shopt -s nullglob
targets=("$build"/fuzz/fuzz_*)
if [ ${#targets[@]} -eq 0 ]; then
  echo "run-fuzzers: no fuzz targets in $build/fuzz" >&2
  exit 1
fi
work=$(mktemp -d /tmp/cvbfuzz.XXXXXX)
trap 'rm -rf "$work"' EXIT
for target in "${targets[@]}"; do
  name=$(basename "$target")
  [ -f "$target" ] && [ -x "$target" ] || continue
  corpus="$work/$name"
  mkdir -p "$corpus"
  if [ -d "$here/fuzz/corpus/$name" ]; then
    cp -r "$here/fuzz/corpus/$name/." "$corpus/"
  fi
  echo "== $name ($seconds s)"
  # Each target gets its own prefix so nothing touches real product paths.
  prefix="$work/prefix-$name"
  mkdir -p "$prefix"
  CORVISBENCH_PREFIX="$prefix" "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$build/fuzz/" "$corpus" > "$work/$name.log" 2>&1 || {
      tail -60 "$work/$name.log"
      echo "run-fuzzers: $name failed" >&2
      exit 1
    }
  grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$work/$name.log" | sed "s/^/   /"
done
