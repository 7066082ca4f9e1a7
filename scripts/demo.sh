#!/usr/bin/env bash
# Runs the demo: the workbench under a fresh CORVISBENCH_PREFIX with the demo configuration, with
# the simulated sibling services (corvissim, built-in demo scenario) on their sockets beside it.
# With $DISPLAY set it runs on that display until the window is closed from the tray or Ctrl-C;
# without one it starts Xvfb with trayer as the system tray, waits for the window, writes a
# screenshot and prints its path.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=${JOBS:-$(nproc)}

scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build -j"$jobs" --target corvisbench corvisinspect corvissim

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

if [ -n "${DISPLAY:-}" ]; then
  echo "demo: running on $DISPLAY under $prefix with corvissim (Ctrl-C ends it)"
  build/bin/corvisbench
  exit 0
fi

# No display: a virtual one with a system tray.
mkfifo "$prefix/displayfd"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$prefix/displayfd" > /dev/null 2>&1 &
pids+=($!)
read -r -t 20 number < "$prefix/displayfd"
export DISPLAY=":$number"
trayer --edge top --align right --widthtype pixel --width 120 --height 24 > /dev/null 2>&1 &
pids+=($!)
for _ in $(seq 1 100); do
  xprop -root _NET_SUPPORTED > /dev/null 2>&1 && xdotool search --classname trayer > /dev/null 2>&1 && break
  sleep 0.1
done

build/bin/corvisbench &
bench=$!
pids+=($bench)
window=""
for _ in $(seq 1 300); do
  window=$(xdotool search --onlyvisible --pid "$bench" 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
if [ -z "$window" ]; then
  echo "demo: the workbench window did not appear; its log:" >&2
  cat "$install_root"/log/corvisbench.info.* >&2 || true
  exit 1
fi
sleep 1
shot="$out/01-login-page.png"
import -display "$DISPLAY" -window root "$shot"
echo "demo: screenshot of the login page: $shot"
