#!/usr/bin/env bash
# bash scripts/run.sh on a machine without a display: the window is served
# over VNC on the loopback address only, a taken port 5900 moves it to the
# next free port, and ending run.sh ends everything it started.
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/lib.sh
need_packages xvfb x11vnc socat iproute2 procps xdotool

# the suite's build; run.sh itself would configure and build again
[ -x build/bin/DX410 ] && [ -x build/bin/dxcamsim ] || bash scripts/setup.sh

work=$(mktemp -d)
pids=()
run=
sid=
cleanup() {
  [ -z "$run" ] || kill -TERM "$run" 2>/dev/null || true
  stop_all "${pids[@]}"
  # whatever run.sh left behind on a failure
  [ -z "$sid" ] || kill -KILL $(ps -o pid= -s "$sid") 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "headless stage: $*" >&2
  echo "--- run.sh" >&2
  cat "$work/run.log" >&2
  exit 1
}
listening() { ss -Hltn "sport = :$1" 2>/dev/null | grep -q LISTEN; }
alive() { ps -o stat= -p "$1" 2>/dev/null | grep -qv Z; }

# hold port 5900 so that run.sh has to move on (someone else may hold it already)
if ! listening 5900; then
  socat tcp-listen:5900,bind=127.0.0.1,reuseaddr,fork /dev/null &
  pids+=($!)
  wait_for 50 listening 5900 || fail "could not hold port 5900"
fi

# a session of its own, so that every process run.sh starts can be found
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM setsid bash scripts/run.sh --no-build >"$work/run.log" 2>&1 &
run=$!
sid=$run
wait_for 300 grep -q 'serves its window over VNC' "$work/run.log" || fail "run.sh said nothing about VNC"
grep -qx 'No display found, and port 5900 is taken: the console serves its window over VNC on localhost:[0-9]*\.' "$work/run.log" ||
  fail "run.sh did not say that port 5900 is taken"
port=$(sed -n 's/.*VNC on localhost:\([0-9]*\)\.$/\1/p' "$work/run.log")
[ "$port" != 5900 ] || fail "run.sh claims the taken port 5900"
wait_for 100 listening "$port" || fail "nothing listens on port $port"

session() { ps -o pid= -s "$sid" | tr -d ' ' || true; }
# every listening socket of run.sh's processes is on a loopback address
for p in $(session); do
  ss -Hltunp | awk -v p="pid=$p," 'index($0, p) { print $5 }'
done >"$work/listening"
[ -s "$work/listening" ] || fail "no process of run.sh listens"
if grep -vE '^(127\.0\.0\.1|\[::1\]):[0-9]+$' "$work/listening"; then fail "run.sh listens beyond the loopback address"; fi

# the console's window is on the display that is served
app=$(pgrep -s "$run" -x DX410) || fail "the console is not running"
display=$(tr '\0' '\n' </proc/"$app"/environ | sed -n 's/^DISPLAY=//p')
DISPLAY=$display wait_for 100 xdotool search --onlyvisible --name 'DX-410 / DX-430' || fail "the console showed no window on $display"

exec 3<>"/dev/tcp/127.0.0.1/$port"
greeting=
read -r -t 5 greeting <&3 || true
exec 3<&-
[[ "$greeting" =~ ^RFB\ 003\.00[0-9]$ ]] || fail "no RFB greeting on 127.0.0.1:$port (got '$greeting')"

kill -TERM "$run"
wait_for 100 eval '! alive "$run"' || fail "run.sh did not end"
wait "$run" || true
run=
left=$(session)
if [ -n "$left" ]; then
  what=$(ps -o args= -p "${left//$'\n'/,}")
  kill $left 2>/dev/null || true
  fail "processes of run.sh are left: $what"
fi
! listening "$port" || fail "port $port is still listening"
echo "headless: run.sh served the console on 127.0.0.1:$port only ($greeting), session $sid ended whole"
