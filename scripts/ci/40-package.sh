#!/usr/bin/env bash
# The Debian package: the .deb of what the tests ran on, a clean
# install with apt-get, the installed tree's run paths and pkg-config file,
# and the installed program started under Xvfb against the simulator: it loads
# a setting file, writes it to the camera with Save Changes, and its
# current.orn turns up in the per-user data folder with what was sent.
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/lib.sh
need_packages g++ cmake make pkg-config qt6-base-dev libgl-dev libgtest-dev libgmock-dev fonts-dejavu-core \
  dpkg-dev file xvfb xdotool x11-utils appstream desktop-file-utils man-db

# The build the tests ran on, installed under /usr: only the run paths change,
# so this relinks and compiles nothing (the package strips the debug info).
# A build of its own: DX410_PACKAGE_BUILD=build-pkg.
build=${DX410_PACKAGE_BUILD:-build}
prefix_before=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$build/CMakeCache.txt" 2>/dev/null || true)
cmake -S . -B "$build" -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build "$build" -j2 --target DX410 DX410-diagnostic dxcamsim dxctl dxlink
rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$PWD/$build"/dx410_*.deb)
echo "package: $deb"
depends=$(dpkg-deb --field "$deb" Depends)
echo "Depends: $depends"
grep -q 'libqt6widgets6' <<<"$depends" || { echo "the package does not depend on the Qt libraries" >&2; exit 1; }

fail() {
  echo "package stage: $*" >&2
  if [ -n "${DISPLAY:-}" ]; then
    echo "windows shown:" >&2
    for w in $(xdotool search --onlyvisible --class DX410 2>/dev/null); do echo "  $(xdotool getwindowname "$w")" >&2; done
    [ -z "${DX410_STAGE_SHOT:-}" ] || import -window root "$DX410_STAGE_SHOT" 2>/dev/null || true
  fi
  exit 1
}
work=$(mktemp -d)
pids=()
cleanup() {
  stop_all "${pids[@]}"
  rm -rf "$work"
  # leave the machine as it was found
  DEBIAN_FRONTEND=noninteractive apt-get purge -y dx410 >/dev/null 2>&1 || true
  if [ -n "$prefix_before" ] && [ "$prefix_before" != /usr ]; then
    cmake -S . -B "$build" "-DCMAKE_INSTALL_PREFIX=$prefix_before" >/dev/null || true
  fi
}
trap cleanup EXIT

# ---- a clean install through apt, which also pulls in what Depends names
if dpkg-query -W -f='${Status}' dx410 2>/dev/null | grep -q "install ok installed"; then
  DEBIAN_FRONTEND=noninteractive apt-get purge -y dx410 >/dev/null
fi
DEBIAN_FRONTEND=noninteractive apt-get install -y "$deb" >/dev/null
for f in /usr/bin/DX410 /usr/bin/DX410-diagnostic /usr/bin/dxcamsim /usr/bin/dxctl /usr/include/dxlink/dxlink.h \
  /usr/share/applications/org.dx410.DX410.desktop /usr/share/metainfo/org.dx410.DX410.metainfo.xml \
  /usr/share/icons/hicolor/scalable/apps/org.dx410.DX410.svg /usr/share/icons/hicolor/48x48/apps/org.dx410.DX410.png \
  /usr/share/man/man1/DX410.1 /usr/share/man/man1/dxcamsim.1 /usr/share/man/man1/dxctl.1; do
  [ -e "$f" ] || fail "$f is not installed"
done
desktop-file-validate /usr/share/applications/org.dx410.DX410.desktop
appstreamcli validate --no-net /usr/share/metainfo/org.dx410.DX410.metainfo.xml >/dev/null ||
  fail "the AppStream file does not validate"
for page in DX410 DX410-diagnostic dxcamsim dxctl; do
  man -w "$page" >/dev/null || fail "no manual page for $page"
  [ "$(MANWIDTH=80 man "$page" 2>&1 >/dev/null)" = "" ] || fail "the manual page of $page has errors"
done

# ---- library name, run paths, pkg-config
libdir=$(pkg-config --variable=libdir dxlink)
[ "$(pkg-config --modversion dxlink)" = "1.0.0" ] || fail "pkg-config does not know dxlink 1.0.0"
readelf -d "$libdir/libdxlink.so.1.0.0" | grep -q 'SONAME.*\[libdxlink.so.1\]' || fail "libdxlink has no SONAME libdxlink.so.1"
# the file the dynamic loader picks for libdxlink.so.1
dxlink_of() { readlink -f "$(ldd "$1" | awk '$1 == "libdxlink.so.1" { print $3 }')"; }
for program in DX410 DX410-diagnostic; do
  readelf -d "/usr/bin/$program" | grep -q 'R.*PATH.*\[\$ORIGIN/\.\./lib' || fail "$program has no run path to ../lib"
  [ "$(dxlink_of "/usr/bin/$program")" = "$(readlink -f "$libdir/libdxlink.so.1")" ] || fail "$program does not find libdxlink"
  ! ldd "/usr/bin/$program" | grep -q "not found" || fail "$program misses a library"
done
# the same tree installed elsewhere finds its own library through $ORIGIN
cmake --install "$build" --prefix "$work/moved" >/dev/null
case "$(dxlink_of "$work/moved/bin/DX410")" in
  "$work/moved/lib/"*) ;;
  *) fail "a moved tree does not find its own libdxlink" ;;
esac

# a program of the user's own, built against the installed header and library
cat >"$work/probe.cpp" <<'EOF'
#include <dxlink/dxlink.h>
#include <cstdio>
int main() {
    dxlink::IExComCtrl* link = dxlink_create();
    link->put_SerialTimeout(2000);
    if (link->PortOpen(1, 1) != 0) { std::printf("open failed: %s\n", dxlink_port_error_text(int(link->LastOpenError()))); return 1; }
    std::string reply = link->CmdRecv("82:02:13", "A0", 200);  // the AGC mode
    link->PortClose();
    link->Release();
    std::printf("%s\n", reply.c_str());
    return reply.rfind("83:42:13:", 0) == 0 ? 0 : 1;
}
EOF
# shellcheck disable=SC2046
g++ -std=c++17 -o "$work/probe" "$work/probe.cpp" $(pkg-config --cflags --libs dxlink)

# ---- the installed programs, with a home of their own
export HOME="$work/home" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
unset XDG_DATA_HOME XDG_CONFIG_HOME

dxcamsim --verbose --link "$work/camera" >"$work/sim.log" &
pids+=($!)
wait_for 100 test -e "$work/camera" || fail "the installed simulator did not start"
export DX410_COM1="$work/camera"
"$work/probe" >"$work/probe.log" || fail "a program built with pkg-config could not query the camera: $(cat "$work/probe.log")"

display=:$((60 + RANDOM % 30))
Xvfb "$display" -screen 0 800x600x24 -nolisten tcp &
pids+=($!)
export DISPLAY=$display QT_QPA_PLATFORM=xcb
wait_for 100 xdpyinfo || fail "Xvfb did not start"

# what an installer would carry to the site: a setting file with a camera
# title and lens positions
cat >"$work/site.dat" <<'EOF'
[APPTYPE]
APPNAME=DX410_430
[OPTION]
MODEL=0
COMMUNICATION STYLE=0
COMMUNICATION MACHINE ID=01
[STRING]
01-CAMERA TITLE=89:46:00:44:45:42:20:31:2E:30
[VALUE03]
05-TILT POSITION=83:43:05:64
03-FOCUS POSITION=84:43:03:04:00
02-ZOOM POSITION=84:43:02:01:00
EOF

/usr/bin/DX410 >"$work/dx410.log" 2>&1 &
app=$!
pids+=($app)
# Windows by name: the main window, a menu ("DX410"), the file dialog
# ("Open"), a question ("ORN CCTV").
shown() {
  for w in $(xdotool search --onlyvisible --class DX410 2>/dev/null); do xdotool getwindowname "$w"; done | grep -qE "$1"
}
gone() { ! shown "$1"; }
wait_for 150 shown 'DX-410 / DX-430' || { cat "$work/dx410.log" >&2; fail "the installed program showed no window"; }
win=$(xdotool search --onlyvisible --name 'DX-410 / DX-430' | head -1)
current="$HOME/.local/share/DX410/current.orn"
wait_for 50 test -s "$current" || fail "no current.orn in the per-user data folder"
# Opens the File menu from the main window (without a window manager the
# focus does not come back by itself when a dialog closes).
# A window just shown may not take keys yet: a few tries.
file_menu() {
  for _ in 1 2 3 4 5; do
    xdotool windowfocus --sync "$win"
    xdotool key alt+f
    wait_for 20 shown '^DX410$' && return 0
  done
  fail "the File menu did not open"
}

# File > Load Setting File: the file dialog takes the path typed into it
file_menu
xdotool key l
wait_for 100 shown '^Open$' || fail "the file dialog did not open"
xdotool type --delay 20 "$work/site.dat"
xdotool key Return
wait_for 100 gone '^Open$' || fail "the file dialog did not close"

# File > Save Changes... (the item under Connect), then Yes
file_menu
xdotool key Down Return
wait_for 100 shown '^ORN CCTV$' || fail "Save Changes asked nothing"
xdotool key y
title='01-CAMERA TITLE=89:46:00:44:45:42:20:31:2E:30'
wait_for 300 grep -qF "$title" "$current" || { cat "$current" >&2; fail "current.orn does not hold the title sent"; }
wait_for 100 grep -qF '03-FOCUS POSITION=84:43:03:04:00' "$current" || fail "current.orn does not hold the focus position"
wait_for 100 grep -qF '<< 89:46:00:44:45:42:20:31:2E:30' "$work/sim.log" || fail "the camera did not receive the title"
[ ! -e /usr/bin/current.orn ] || fail "the installed program wrote into its own folder"
wait_for 100 gone '^ORN CCTV$' || fail "a question is left open after Save Changes"

# File > Exit (the last item, a step up from the first), then OK
file_menu
xdotool key Up Return
wait_for 100 shown '^ORN CCTV$' || fail "Exit asked nothing"
xdotool key Return
wait_for 100 eval '! kill -0 "$app"' || fail "the program did not end after File > Exit"
wait "$app" || fail "the program ended with status $?"
echo "installed program: $(grep -c '^<<' "$work/sim.log") frames to the camera; $current:"
sed 's/^/  /' "$current"
