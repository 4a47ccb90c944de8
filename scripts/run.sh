#!/usr/bin/env bash
# Sets everything up, builds, starts the camera simulator and the console wired to it.
# Without a display the window is served over VNC on the loopback address only:
# from elsewhere it is reached through an SSH tunnel, never an open port.
# --no-build starts what build/ already holds.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh
case "${1:-}" in
  --no-build) ;;
  "") bash scripts/setup.sh ;;
  *) echo "usage: bash scripts/run.sh [--no-build]" >&2; exit 2 ;;
esac

headless=0
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  headless=1
  need_packages xvfb x11vnc
fi

work=$(mktemp -d)
pids=()
# Ends process $1, by force after 3 s: x11vnc can hang in its own SIGTERM
# handler.
stop() {
  kill "$1" 2>/dev/null || return 0
  local i
  for ((i = 0; i < 30; i++)); do
    ps -o stat= -p "$1" 2>/dev/null | grep -qv Z || break
    sleep 0.1
  done
  kill -KILL "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}
cleanup() {
  # a second Ctrl-C must not cut the cleanup short
  trap '' INT TERM
  trap - EXIT
  # newest first: x11vnc hangs when its X server goes before it
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do stop "${pids[i]}"; done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
fail() {
  echo "run.sh: $*" >&2
  exit 1
}

build/bin/dxcamsim --model 430 --link "$work/camera" &
pids+=($!)
wait_for 100 test -e "$work/camera" || fail "the camera simulator did not start"
export DX410_COM1="$work/camera"

if [ $headless = 1 ]; then
  Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3>"$work/display" 2>"$work/xvfb.log" &
  pids+=($!)
  wait_for 100 grep -q . "$work/display" || fail "Xvfb did not start: $(tail -3 "$work/xvfb.log")"
  export DISPLAY=":$(cat "$work/display")" QT_QPA_PLATFORM=xcb
  # -autoport takes the first free port from 5900 on and reports it as PORT=n
  x11vnc -display "$DISPLAY" -localhost -autoport 5900 -forever -shared -nopw -quiet \
    >"$work/vnc.out" 2>"$work/vnc.log" &
  pids+=($!)
  wait_for 150 grep -q '^PORT=' "$work/vnc.out" || fail "x11vnc did not start: $(tail -3 "$work/vnc.log")"
  port=$(sed -n 's/^PORT=//p' "$work/vnc.out")
  if [ "$port" = 5900 ]; then
    echo "No display found: the console serves its window over VNC on localhost:5900."
  else
    echo "No display found, and port 5900 is taken: the console serves its window over VNC on localhost:$port."
  fi
fi

# in the background, so that Ctrl-C and kill reach the trap at once
build/bin/DX410 &
app=$!
pids+=($app)
wait "$app"
