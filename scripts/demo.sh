#!/usr/bin/env bash
# Runs the demo: the workbench under a fresh CORVISBENCH_PREFIX with the demo configuration, with
# the simulated sibling services (corvissim, built-in demo scenario) on their sockets beside it.
# With $DISPLAY set it runs on that display until the window is closed from the tray or Ctrl-C
# (in another shell, with the printed prefix: corvissim push --code 0x0300 logs in, 0x0310 shows
# the window, 0x0311 ends the workbench). Without one it starts Xvfb with trayer as the system
# tray, types into the login page as a person would (a refused password, the reset page, an SMS
# login), and writes screenshots of each step, of the work area and of the message centre.
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
# The workbench waits in 2 s steps for a system tray: start it once trayer owns the tray selection.
tray_up() {
  python3 - <<'PY'
import ctypes, sys
x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XInternAtom.restype = ctypes.c_ulong
x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x11.XGetSelectionOwner.restype = ctypes.c_ulong
x11.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
display = x11.XOpenDisplay(None)
owned = display and x11.XGetSelectionOwner(display, x11.XInternAtom(display, b"_NET_SYSTEM_TRAY_S0", 0))
sys.exit(0 if owned else 1)
PY
}
for _ in $(seq 1 200); do
  tray_up && break
  sleep 0.1
done
if ! tray_up; then
  echo "demo: trayer did not take the system tray" >&2
  exit 1
fi

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

# Waits until corvissim has recorded a request of this type (or gives up after 10 s).
wait_request() {
  for _ in $(seq 1 100); do
    grep -q "\"type\":\"$1\"" "$prefix/sim/requests.jsonl" 2>/dev/null && return 0
    sleep 0.1
  done
  echo "demo: no request $1 reached corvissim" >&2
  return 1
}
wait_visible() {
  for _ in $(seq 1 100); do
    xdotool search --onlyvisible --pid "$bench" > /dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "demo: the workbench window did not come up" >&2
  return 1
}

# Waits until the workbench has shown this tip (it logs every tip it shows).
wait_tip() {
  for _ in $(seq 1 100); do
    grep -q "tip: $1" "$install_root"/log/corvisbench.info.* 2>/dev/null && return 0
    sleep 0.1
  done
  echo "demo: the tip \"$1\" did not appear" >&2
  return 1
}
# A click at a point of the window (the login panel's layout is fixed).
click_at() {
  xdotool mousemove --window "$window" "$1" "$2" click 1
  sleep 0.5
}

# A person at the login page (the accounts are in the README): a wrong password is refused.
xdotool windowfocus --sync "$window"
sleep 0.3
xdotool type --delay 25 demo
xdotool key Tab
xdotool type --delay 25 'Wrong@2024'
xdotool key Return
wait_tip "用户名或密码错误"
sleep 0.5
shot="$out/02-refused.png"
import -display "$DISPLAY" -window root "$shot"
echo "demo: screenshot of a refused password: $shot"

# The reset page, with an identity card number that is too short.
click_at 845 288
xdotool type --delay 25 t1001
xdotool key Tab
xdotool type --delay 25 110105194912
click_at 700 256
xdotool type --delay 25 'Kq9z!mA2'
click_at 700 302
xdotool type --delay 25 'Kq9z!mA2'
click_at 700 421
sleep 0.5
shot="$out/03-reset-page.png"
import -display "$DISPLAY" -window root "$shot"
echo "demo: screenshot of the reset page: $shot"
click_at 699 484

# An account with a second factor: the SMS step, the code sent, then the login with the code.
click_at 700 178
xdotool key ctrl+a
xdotool type --delay 25 smsdemo
xdotool key Tab
xdotool key ctrl+a
xdotool type --delay 25 'Corvis@2024'
xdotool key Return
wait_request 0x0118
sleep 1
click_at 816 297
wait_request 0x0119
sleep 1
shot="$out/04-sms-step.png"
import -display "$DISPLAY" -window root "$shot"
echo "demo: screenshot of the SMS step: $shot"
xdotool type --delay 25 123456
xdotool key Return
wait_request 0x011a

# The client service reports the login; the workbench asks for the work area's data and leaves
# the desktop to the tray until the tray asks for the window.
wait_request 0x0106
wait_request 0x0115
sleep 1
build/bin/corvissim push --code 0x0310
wait_visible
sleep 1
shot="$out/05-work-area.png"
import -display "$DISPLAY" -window root "$shot"
echo "demo: screenshot of the work area: $shot"

build/bin/corvissim push --code 0x0331
sleep 1
shot="$out/06-messages.png"
import -display "$DISPLAY" -window root "$shot"
echo "demo: screenshot of the message centre: $shot"
