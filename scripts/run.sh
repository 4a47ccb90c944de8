#!/usr/bin/env bash
# Sets everything up, builds, starts the camera simulator and the console wired to it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

link="$PWD/build/camera-sim"
rm -f "$link"
build/bin/dxcamsim --model 430 --link "$link" &
sim=$!
trap 'kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -e "$link" ] && break; sleep 0.05; done
[ -e "$link" ] || { echo "the camera simulator did not start" >&2; exit 1; }

export DX410_COM1="$link"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: the console serves its window over VNC on localhost:5900."
  export QT_QPA_PLATFORM="vnc:size=1024x768"
fi
build/bin/DX410
