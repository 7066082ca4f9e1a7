#!/usr/bin/env bash
# Long fuzzing, on demand (CI keeps the short runs of scripts/run-fuzzers.sh): every libFuzzer
# target of a sanitizer build for MINUTES minutes, JOBS targets at a time, starting from the seeds
# kept under fuzz/corpus/ and from what earlier runs grew. The tracked seeds are only read: the
# grown corpus of each target is minimised (libFuzzer's merge keeps only inputs that add coverage)
# into BUILD_DIR/fuzz-corpus/<target>, where the next run starts from. Crash reproducers land as
# BUILD_DIR/fuzz/<target>-crash-*; copy one under fuzz/corpus/ with a telling name by hand.
# Copy a grown corpus under fuzz/corpus/<target>/ (files named by their SHA-1) to keep it for
# every later run, the short ones of CI included.
# The executions per target and in total are printed.
#   usage: scripts/fuzz-long.sh BUILD_DIR [MINUTES (10)] [JOBS (1)]   (FUZZ_SECONDS=N: N seconds each)
#   e.g.   scripts/fuzz-long.sh build-asan 10 2
set -euo pipefail
build=${1:?build dir (configured with -DCORVIS_FUZZ=ON)}
minutes=${2:-10}
jobs=${3:-1}
here=$(cd "$(dirname "$0")/.." && pwd)
shopt -s nullglob
targets=("$build"/fuzz/fuzz_*)
if [ ${#targets[@]} -eq 0 ]; then
  echo "fuzz-long: no fuzz targets in $build/fuzz" >&2
  exit 1
fi
work=$(mktemp -d /tmp/cvbfuzzlong.XXXXXX)
trap 'rm -rf "$work"' EXIT
seconds=${FUZZ_SECONDS:-$((minutes * 60))}
export LSAN_OPTIONS="suppressions=$here/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

run_one() {
  local target=$1 name
  name=$(basename "$target")
  local seeds="$here/fuzz/corpus/$name" kept="$build/fuzz-corpus/$name"
  local grown="$work/$name.grown" prefix="$work/prefix-$name"
  mkdir -p "$kept" "$grown" "$prefix"
  if [ -d "$seeds" ]; then cp -r "$seeds/." "$grown/"; fi
  cp -r "$kept/." "$grown/"
  # Each target gets its own prefix so nothing touches real product paths.
  if ! CORVISBENCH_PREFIX="$prefix" "$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$build/fuzz/$name-" "$grown" > "$work/$name.log" 2>&1; then
    tail -60 "$work/$name.log"
    echo "fuzz-long: $name failed (artifacts: $build/fuzz/$name-*)" >&2
    return 1
  fi
  # Minimise into the build's corpus: only inputs that add coverage are kept.
  local minimal="$work/$name.min"
  mkdir -p "$minimal"
  CORVISBENCH_PREFIX="$prefix" "$target" -merge=1 -timeout=20 -rss_limit_mb=2048 "$minimal" "$grown" \
    > "$work/$name.merge.log" 2>&1
  rm -rf "$kept"
  mkdir -p "$kept"
  cp "$minimal"/* "$kept/" 2>/dev/null || true
  local runs rss files bytes
  runs=$(grep -E '^stat::number_of_executed_units' "$work/$name.log" | awk '{print $2}')
  rss=$(grep -E '^stat::peak_rss_mb' "$work/$name.log" | awk '{print $2}')
  files=$(find "$kept" -type f | wc -l)
  bytes=$(du -sb "$kept" | awk '{print $1}')
  printf '%-26s %12s executions in %4d s, peak %5s MB, corpus %4d files (%d bytes)\n' \
    "$name" "${runs:-?}" "$seconds" "${rss:-?}" "$files" "$bytes" | tee "$work/$name.result"
}

echo "fuzz-long: ${#targets[@]} targets, $seconds s each, $jobs at a time"
failed=0
running=0
for target in "${targets[@]}"; do
  [ -f "$target" ] && [ -x "$target" ] || continue
  run_one "$target" &
  running=$((running + 1))
  if [ "$running" -ge "$jobs" ]; then
    wait -n || failed=1
    running=$((running - 1))
  fi
done
while [ "$running" -gt 0 ]; do
  wait -n || failed=1
  running=$((running - 1))
done
total=$(cat "$work"/*.result 2>/dev/null | awk '{sum += $2} END {print sum + 0}')
echo "fuzz-long: $total executions in all"
exit $failed
