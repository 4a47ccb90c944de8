#!/usr/bin/env bash
# A camera behind a serial device server, on the loopback address: the
# simulator's pty is served on a TCP port (the device server's part), and the
# console's side is a pty bridged to that port with socat, as README.md
# describes for a real server. The console's exchanges and the camera data
# and position title loads run through it (tests/bridge).
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/lib.sh
need_packages socat iproute2

# the suite's build (scripts/setup.sh); builds only what is missing
build=${DX410_BUILD:-build}
[ -f "$build/CMakeCache.txt" ] || bash scripts/setup.sh
cmake --build "$build" -j2 --target dxcamsim dxbridge_tests >/dev/null

work=$(mktemp -d)
pids=()
cleanup() {
  stop_all "${pids[@]}"
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "bridge stage: $*" >&2
  for f in "$work"/*.log; do echo "--- ${f##*/}" >&2; tail -20 "$f" >&2; done
  exit 1
}
listening() { ss -Hltn "sport = :$1" 2>/dev/null | grep -q LISTEN; }

"$build/bin/dxcamsim" --verbose --link "$work/camera" >"$work/sim.log" &
pids+=($!)
wait_for 100 test -e "$work/camera" || fail "the simulator did not start"

# the device server: the camera's line on a TCP port of the loopback address
port=$((20000 + RANDOM % 20000))
socat -d tcp-listen:$port,bind=127.0.0.1,reuseaddr,fork,nodelay "file:$work/camera,rawer" 2>"$work/server.log" &
pids+=($!)
wait_for 100 listening $port || fail "the device server did not listen on port $port"

# the console's side: a pty bridged to the server
socat -d "pty,link=$work/com1,rawer" "tcp:127.0.0.1:$port,nodelay" 2>"$work/bridge.log" &
pids+=($!)
wait_for 100 test -e "$work/com1" || fail "the bridge made no pty"

DX410_COM1="$work/com1" "$build/bin/dxbridge_tests" || fail "exchanges through the bridge failed"
frames=$(grep -c '^<<' "$work/sim.log" || true)
[ "$frames" -gt 300 ] || fail "only $frames frames reached the camera"
echo "bridge: $frames frames reached the camera through 127.0.0.1:$port"
