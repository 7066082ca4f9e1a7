#!/usr/bin/env bash
# The soak run, on demand: the core request and push paths under ASan and UBSan for a long time
# (30 minutes unless told), against corvissim, with faults mixed in. tools/corvissoak drives it
# (the whole GUI program is not needed: the exchanges, the pool, the push server and the service
# are the core library's): 100,000 requests (echoed, hung, closed, empty and refused replies,
# restarts of the service every 90 s), 200,000 pushes from 4 senders with malformed messages and,
# as root, pushes of another user mixed in, and a login and a logout every 10 s. It passes when
# every request got exactly one result, every allowed push arrived in its sender's order, memory
# at the end is within 10% of memory after the first minute, and no sanitizer reported anything.
#   usage: scripts/soak.sh [MINUTES (30)] [BUILD_DIR (build-asan)]
#   REQUESTS, PUSHES override the counts.
set -euo pipefail
minutes=${1:-30}
build=${2:-build-asan}
requests=${REQUESTS:-100000}
pushes=${PUSHES:-200000}
cd "$(dirname "$0")/.."
here=$(pwd)

if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCORVIS_GUI=OFF -DCORVIS_SANITIZE=ON -DCORVIS_FUZZ=ON
fi
cmake --build "$build" -j"${JOBS:-2}" --target corvissoak corvissim

out=$(mktemp -d /tmp/cvbsoak-run.XXXXXX)
# Open to other users, so that the pushes of another user reach the push socket's peer check.
chmod 755 "$out"
export LSAN_OPTIONS="suppressions=$here/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# A small quarantine (ASan's default is 256 MB), released to the system every second: the check is
# on the program's memory, and a large quarantine fills for many minutes after the first one, which
# reads as growth of the program (a 64 MB one added 20% by the end of a 30-minute run). Freed
# memory still waits in it long enough to catch a use after free.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:quarantine_size_mb=8:allocator_release_to_os_interval_ms=1000"
export CORVISBENCH_PREFIX="$out/prefix"
mkdir -p "$CORVISBENCH_PREFIX"
echo "soak: $minutes min, $requests requests, $pushes pushes; output in $out"
status=0
"$build/bin/corvissoak" --minutes "$minutes" --requests "$requests" --pushes "$pushes" \
  > >(tee "$out/soak.out") 2> "$out/soak.err" || status=$?
if grep -Eq 'ERROR: (AddressSanitizer|LeakSanitizer)|runtime error:' "$out/soak.err"; then
  echo "soak: a sanitizer reported (corvissoak or corvissim), see $out/soak.err" >&2
  grep -E -A20 'ERROR: (AddressSanitizer|LeakSanitizer)|runtime error:' "$out/soak.err" | head -80 >&2
  status=1
else
  echo "soak: no sanitizer report"
fi
logs="$CORVISBENCH_PREFIX/opt/quintrel/orvane/log"
if [ -d "$logs" ]; then
  echo "soak: log directory $(du -sh "$logs" | awk '{print $1}') in $(find "$logs" -type f | wc -l) files"
fi
echo "soak: exit status $status"
exit $status
