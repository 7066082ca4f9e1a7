#!/usr/bin/env bash
# Runs the demo: the workbench under a fresh CORVISBENCH_PREFIX with the demo configuration, with
# the simulated sibling services (corvissim, built-in demo scenario) on their sockets beside it.
# With $DISPLAY set it runs on that display until the window is closed from the tray or Ctrl-C
# (in another shell, with the printed prefix: corvissim push --code 0x0300 logs in, 0x0310 shows
# the window, 0x0311 ends the workbench). Without one, corvisdemo (tests/support/corvisdemo.cpp)
# starts Xvfb with trayer as the system tray and an accessibility bus, uses the login page as a
# person would (a refused password, the reset page, an SMS login), finding every control by its
# accessible name, and writes screenshots of each step, of the work area and of the message centre.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=${JOBS:-$(nproc)}

scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build -j"$jobs" --target corvisbench corvisinspect corvissim corvisctlsim corvisdemo

prefix=$(mktemp -d /tmp/cvbdemo.XXXXXX)
install_root="$prefix/opt/quintrel/orvane"
mkdir -p "$install_root/ini" "$prefix/tmp"
cp scripts/demo/syscfg.ini scripts/demo/userinfo.ini "$install_root/ini/"
# The pictures an installation keeps below its root (resource/...).
cp -r resources/installroot/. "$install_root/"
export CORVISBENCH_PREFIX="$prefix"
out="$root/demo-out"
mkdir -p "$out"

pids=()
cleanup() {
  # Newest first: the workbench before its services and its X server.
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$prefix"
}
trap cleanup EXIT

if [ -n "${DISPLAY:-}" ]; then
  # The sibling services, answering as the demo scenario says.
  build/bin/corvissim serve --scenario builtin:demo > "$prefix/corvissim.out" 2> "$prefix/corvissim.err" &
  pids+=($!)
  for _ in $(seq 1 100); do
    grep -q "corvissim: serving under" "$prefix/corvissim.out" 2>/dev/null && break
    sleep 0.1
  done
  if ! grep -q "corvissim: serving under" "$prefix/corvissim.out" 2>/dev/null; then
    echo "demo: the simulated services did not start:" >&2
    cat "$prefix/corvissim.err" >&2
    exit 1
  fi
  echo "demo: running on $DISPLAY under $prefix with corvissim (Ctrl-C ends it)"
  build/bin/corvisbench
  exit 0
fi

# No display: the demo driver brings its own X server, tray, services and workbench.
build/bin/corvisdemo "$out" "$@"
