#!/usr/bin/env bash
# The Debian package: the .deb of what the tests ran on, its files, run
# paths and pkg-config file, and the packaged program started under Xvfb
# against the packaged simulator: it loads a setting file, writes it to the
# camera with Save Changes, and its current.orn turns up in the per-user data
# folder with what was sent; a second start brings the running window to the
# front. Under CI=true (a throw-away machine) the package is installed with
# apt-get and purged at the end; elsewhere an installed dx410 is left alone:
# the package is unpacked into a temporary folder and apt-get only simulates
# its install, which checks that Depends can be met.
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
installed=0
restore_prefix() {
  if [ -n "$prefix_before" ] && [ "$prefix_before" != /usr ]; then
    cmake -S . -B "$build" "-DCMAKE_INSTALL_PREFIX=$prefix_before" >/dev/null || true
  fi
  prefix_before=
}
cleanup() {
  stop_all "${pids[@]}"
  rm -rf "$work"
  [ $installed = 0 ] || DEBIAN_FRONTEND=noninteractive apt-get purge -y dx410 >/dev/null 2>&1 || true
  restore_prefix
}
trap cleanup EXIT

# No run path may hold an empty entry: the loader reads it as the current
# folder. $1: an installed tree.
runpaths_clean() {
  local f rp n=0
  while IFS= read -r f; do
    rp=$(readelf -d "$f" 2>/dev/null | sed -n 's/.*(RUNPATH).*\[\(.*\)\]$/\1/p; s/.*(RPATH).*\[\(.*\)\]$/\1/p')
    n=$((n + 1))
    [ -z "$rp" ] && continue
    case ":$rp:" in *::*) fail "${f#"$1"/} has an empty run path entry: [$rp]" ;; esac
  done < <(find "$1" -type f \( -path '*/bin/*' -o -name '*.so*' \))
  [ $n -ge 4 ] || fail "only $n programs and libraries in $1"
}

# ---- the package's files; installed through apt only on a throw-away machine
dpkg -x "$deb" "$work/deb"
runpaths_clean "$work/deb"
if [ "${CI:-}" = true ]; then
  if dpkg-query -W -f='${Status}' dx410 2>/dev/null | grep -q "install ok installed"; then
    DEBIAN_FRONTEND=noninteractive apt-get purge -y dx410 >/dev/null
  fi
  installed=1
  DEBIAN_FRONTEND=noninteractive apt-get install -y "$deb" >/dev/null
  root=
else
  apt-get install -s "$deb" >"$work/apt.log" 2>&1 || { cat "$work/apt.log" >&2; fail "apt-get cannot install the package"; }
  root=$work/deb
fi
for f in /usr/bin/DX410 /usr/bin/DX410-diagnostic /usr/bin/dxcamsim /usr/bin/dxctl /usr/include/dxlink/dxlink.h \
  /usr/share/applications/org.dx410.DX410.desktop /usr/share/metainfo/org.dx410.DX410.metainfo.xml \
  /usr/share/icons/hicolor/scalable/apps/org.dx410.DX410.svg /usr/share/icons/hicolor/48x48/apps/org.dx410.DX410.png \
  /usr/share/man/man1/DX410.1 /usr/share/man/man1/dxcamsim.1 /usr/share/man/man1/dxctl.1; do
  [ -e "$root$f" ] || fail "$f is not in the package"
done
desktop-file-validate "$root/usr/share/applications/org.dx410.DX410.desktop"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.dx410.DX410.metainfo.xml" >/dev/null ||
  fail "the AppStream file does not validate"
for page in DX410 DX410-diagnostic dxcamsim dxctl; do
  [ -z "$root" ] || [ -e "$root/usr/share/man/man1/$page.1" ] || fail "no manual page for $page"
  [ -n "$root" ] || man -w "$page" >/dev/null || fail "man does not find the page of $page"
  # from the manual's folder, where a page's ".so man1/..." is found
  [ "$(cd "$root/usr/share/man" && MANWIDTH=80 man -l "man1/$page.1" 2>&1 >/dev/null)" = "" ] ||
    fail "the manual page of $page has errors"
done

# ---- library name, run paths, pkg-config
PKG_CONFIG_PATH=$(dirname "$(find "$root/usr/lib" -name dxlink.pc -path '*/pkgconfig/*' | head -1)")
export PKG_CONFIG_PATH
libdir=$(pkg-config --variable=libdir dxlink)
case "$(realpath "$libdir")" in "$root/usr/lib"*) ;; *) fail "dxlink.pc names $libdir as its library folder" ;; esac
[ "$(pkg-config --modversion dxlink)" = "1.0.0" ] || fail "pkg-config does not know dxlink 1.0.0"
readelf -d "$libdir/libdxlink.so.1.0.0" | grep -q 'SONAME.*\[libdxlink.so.1\]' || fail "libdxlink has no SONAME libdxlink.so.1"
# the file the dynamic loader picks for libdxlink.so.1
dxlink_of() { readlink -f "$(ldd "$1" | awk '$1 == "libdxlink.so.1" { print $3 }')"; }
for program in DX410 DX410-diagnostic dxcamsim dxctl; do
  [ "$program" = dxcamsim ] ||
    readelf -d "$root/usr/bin/$program" | grep -q 'R.*PATH.*\[\$ORIGIN/\.\./lib' || fail "$program has no run path to ../lib"
  [ "$program" = dxcamsim ] ||
    [ "$(dxlink_of "$root/usr/bin/$program")" = "$(readlink -f "$libdir/libdxlink.so.1")" ] || fail "$program does not find libdxlink"
  ! ldd "$root/usr/bin/$program" | grep -q "not found" || fail "$program misses a library"
done

# --help, --version and a wrong option are answered without a display
[ "$("$root/usr/bin/dxctl" --version)" = "dxctl 1.0.0" ] || fail "dxctl --version says '$("$root/usr/bin/dxctl" --version 2>&1)'"
for program in DX410 DX410-diagnostic dxcamsim; do
  run() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/$program" "$@"; }
  [ "$(run --version)" = "$program 1.0.0" ] || fail "$program --version says '$(run --version 2>&1)'"
  run -h | grep -q "^usage: $program" || fail "$program -h shows no usage"
  rc=0
  run --no-such-option >"$work/out" 2>"$work/err" || rc=$?
  [ $rc = 2 ] && [ ! -s "$work/out" ] && [ "$(wc -l <"$work/err")" = 1 ] ||
    fail "$program --no-such-option: status $rc, said: $(cat "$work/out" "$work/err")"
done

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

"$root/usr/bin/dxcamsim" --verbose --link "$work/camera" >"$work/sim.log" &
pids+=($!)
wait_for 100 test -e "$work/camera" || fail "the installed simulator did not start"
export DX410_COM1="$work/camera"
LD_LIBRARY_PATH=$libdir "$work/probe" >"$work/probe.log" || fail "a program built with pkg-config could not query the camera: $(cat "$work/probe.log")"

# Xvfb takes a free display number and writes it once it accepts clients
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$work/display" &
pids+=($!)
wait_for 100 grep -q . "$work/display" || fail "Xvfb did not start"
export DISPLAY=":$(cat "$work/display")" QT_QPA_PLATFORM=xcb

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

"$root/usr/bin/DX410" >"$work/dx410.log" 2>&1 &
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
[ ! -e "$root/usr/bin/current.orn" ] || fail "the installed program wrote into its own folder"
wait_for 100 gone '^ORN CCTV$' || fail "a question is left open after Save Changes"

# A second start says "already running" and, once that is answered, brings
# the running window to the front: above a window put over it.
xmessage -name cover cover 2>/dev/null &
cover=$!
pids+=($cover)
wait_for 50 xdotool search --onlyvisible --name '^cover$' || fail "xmessage showed nothing"
# which of the two is higher: xwininfo lists the top first
above() {
  xwininfo -root -children | awk -v w="$(printf '0x%x' "$win")" \
    '$1 == w { print "window"; exit } /"cover"/ { print "cover"; exit }' | grep -qx "$1"
}
above cover || fail "the cover is not over the window"
"$root/usr/bin/DX410" >"$work/second.log" 2>&1 &
second=$!
pids+=($second)
wait_for 100 shown '^Error$' || fail "a second start said nothing"
xdotool windowfocus --sync "$(xdotool search --onlyvisible --name '^Error$' | head -1)"
xdotool key Return
wait_for 100 eval '! kill -0 "$second"' || fail "the second start did not end"
wait "$second" && fail "the second start ended with status 0"
wait_for 50 above window || fail "the running window did not come to the front"
stop_all "$cover"

# File > Exit (the last item, a step up from the first), then OK
file_menu
xdotool key Up Return
wait_for 100 shown '^ORN CCTV$' || fail "Exit asked nothing"
xdotool key Return
wait_for 100 eval '! kill -0 "$app"' || fail "the program did not end after File > Exit"
wait "$app" || fail "the program ended with status $?"
echo "installed program: $(grep -c '^<<' "$work/sim.log") frames to the camera; $current:"
sed 's/^/  /' "$current"

# the diagnostic program says what it is in its caption
"$root/usr/bin/DX410-diagnostic" >"$work/diagnostic.log" 2>&1 &
diagnostic=$!
pids+=($diagnostic)
wait_for 150 shown 'DX-410 / DX-430' || fail "the diagnostic program showed no window"
shown 'DX-410 / DX-430  Controller \(diagnostic\)$' || fail "the diagnostic program's caption does not say so"
stop_all "$diagnostic"

# ---- the same files installed elsewhere, as a user would after the tests:
# the build back at its own prefix, not relinked
restore_prefix
cmake --install "$build" --prefix "$work/moved" >/dev/null
runpaths_clean "$work/moved"
case "$(dxlink_of "$work/moved/bin/DX410")" in
  "$work/moved/lib/"*) ;;
  *) fail "a moved tree does not find its own libdxlink" ;;
esac
mv "$work/moved" "$work/moved-again"
pc=$(find "$work/moved-again" -name dxlink.pc)
[ "$(realpath "$(PKG_CONFIG_PATH=${pc%/*} pkg-config --variable=prefix dxlink)")" = "$work/moved-again" ] ||
  fail "dxlink.pc of a moved tree does not name the tree as its prefix"
echo "run paths: no empty entry in the package nor in a tree installed with --prefix"
