#!/usr/bin/env bash
# Screenshots of the real console window under Xvfb, against the simulator:
# at 800x600, and on a 1600x1200 screen at a scale factor of 2 (the same
# 800x600 in logical pixels). Every tab page, and the about box.
#
#   bash scripts/screenshots.sh [--readme] [OUTPUT_FOLDER]   (default build/screenshots)
#
# --readme also renews the README's picture, docs/DX410-main.png.
# DX410_BUILD names the build folder (default build/; built when missing).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh
need_packages xvfb xdotool x11-utils imagemagick fonts-dejavu-core

readme=false
if [ "${1:-}" = "--readme" ]; then
  readme=true
  shift
fi
build=${DX410_BUILD:-build}
out=${1:-build/screenshots}
[ -x "$build/bin/DX410" ] && [ -x "$build/bin/dxcamsim" ] || bash scripts/setup.sh
mkdir -p "$out"
out=$(cd "$out" && pwd)

work=$(mktemp -d)
pids=()
cleanup() {
  stop_all "${pids[@]}"
  rm -rf "$work"
}
trap cleanup EXIT


visible_windows() { xdotool search --onlyvisible --class DX410 2>/dev/null | wc -l; }
more_windows() { [ "$(visible_windows)" -gt "$1" ]; }
fewer_windows() { [ "$(visible_windows)" -lt "$1" ]; }

# A window's picture once two captures in a row agree (painting has ended).
capture() {
  local win=$1 file=$2 prev="$work/prev.png" cur="$work/cur.png"
  rm -f "$prev"
  for ((i = 0; i < 50; i++)); do
    import -window "$win" "$cur" 2>/dev/null || { sleep 0.1; continue; }
    if [ -e "$prev" ] && cmp -s <(convert "$prev" rgb:-) <(convert "$cur" rgb:-); then
      mv "$cur" "$file"
      echo "  $file ($(identify -format '%wx%h' "$file"))"
      return 0
    fi
    mv "$cur" "$prev"
    sleep 0.1
  done
  echo "the window $win did not settle for $file" >&2
  return 1
}

# One run: Xvfb screen $1 (WxH), scale factor $2, picture names led by $3.
shoot() {
  local screen=$1 scale=$2 name=$3 display=$4
  echo "$name: screen $screen, scale $scale"
  Xvfb ":$display" -screen 0 "${screen}x24" -nolisten tcp -noreset &
  pids+=($!)
  export DISPLAY=":$display"
  wait_for 100 xdpyinfo || { echo "Xvfb did not start" >&2; return 1; }

  # a plain name: the status bar in the pictures shows it
  local link="/tmp/dxcam-shot$display"
  "$build/bin/dxcamsim" --model 430 --link "$link" >"$work/sim-$display.log" &
  pids+=($!)
  wait_for 100 test -e "$link" || { echo "the simulator did not start" >&2; return 1; }

  # a home of its own: settings, lock and current.orn stay out of the user's
  HOME="$work/home-$display" XDG_RUNTIME_DIR="$work/run-$display" DX410_COM1="$link" \
    QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR="$scale" "$build/bin/DX410" >"$work/dx-$display.log" 2>&1 &
  local app=$!
  pids+=($app)
  mkdir -p "$work/run-$display" && chmod 700 "$work/run-$display"

  local win=""
  for ((i = 0; i < 150; i++)); do
    win=$(xdotool search --onlyvisible --name 'DX-410 / DX-430' 2>/dev/null | head -1) && [ -n "$win" ] && break
    sleep 0.1
  done
  [ -n "$win" ] || { echo "the console window did not show" >&2; cat "$work/dx-$display.log" >&2; return 1; }
  xdotool windowfocus --sync "$win"

  # Option > Model > DX-430, the model with every control shown. The menu
  # is clicked: Alt+O also belongs to the "One push" button.
  local shown
  shown=$(visible_windows)
  xdotool mousemove --window "$win" $((65 * scale)) $((8 * scale)) click 1
  wait_for 50 more_windows "$shown" || { echo "the Option menu did not open" >&2; return 1; }
  shown=$(visible_windows)
  xdotool key m
  wait_for 50 more_windows "$shown" || { echo "the Model menu did not open" >&2; return 1; }
  xdotool key Return
  wait_for 50 fewer_windows "$shown" || { echo "the menus did not close" >&2; return 1; }
  capture "$win" "$out/$name-tab0.png"
  # the preset list has the focus; three tabs on, the tab bar
  xdotool key Tab Tab Tab
  for tab in 1 2 3; do
    xdotool key Right
    capture "$win" "$out/$name-tab$tab.png"
  done
  # Help > About
  xdotool key alt+h a
  local about=""
  for ((i = 0; i < 50; i++)); do
    about=$(xdotool search --onlyvisible --name '^About ' 2>/dev/null | head -1) && [ -n "$about" ] && break
    sleep 0.1
  done
  [ -n "$about" ] && capture "$about" "$out/$name-about.png"
  [ -n "$about" ] && xdotool key Return
  kill "$app" 2>/dev/null || true
  wait "$app" 2>/dev/null || true
}

shoot 800x600 1 main-800x600 91
shoot 1600x1200 2 main-scale2 92
if $readme; then
  mkdir -p docs
  cp "$out/main-800x600-tab0.png" docs/DX410-main.png
  echo "docs/DX410-main.png renewed"
fi
echo "screenshots in $out"
