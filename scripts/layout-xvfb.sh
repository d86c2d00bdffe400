#!/usr/bin/env bash
# layout-xvfb.sh [out-dir] [build-dir]: the program in a real window under Xvfb (sdl display). The
# screen is taken at start, a value window (the performance number) is dragged by its grip into
# the map's place with xdotool, the program is closed with SIGTERM and started again, and the
# screen is taken once more: the window must float where it was left. corvatalen.ini is kept.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-$(mktemp -d /tmp/layout-xvfb-XXXXXX)}"
build="${2:-$root/build/release}"
mkdir -p "$out"
unset DISPLAY
source "$root/scripts/xvfb-session.sh" layout
"$root/scripts/prepare-workdir.sh" "$work"
printf '[comms]\r\ncomport=Network\r\n' >"$work/corvatalen.ini"

start() {
  (cd "$work" && CORVATALEN_DISPLAY=sdl ASAN_OPTIONS=detect_leaks=0 \
    exec "$build/app/corvatalen") >>"$out/program.txt" 2>&1 &
  program=$!
  pids+=($program)
  # The delayed start-up (10 s) applies the settings; only then does a close write the file.
  sleep 14
}
stop() {
  kill -TERM "$program"
  wait "$program" || true
}
shot() { import -window root "$out/$1.png"; }

start
shot 01_start
# The grip of the performance window, top left of the left dock, dragged into the map's place.
xdotool mousemove 56 70 mousedown 1
for x in 100 200 300 400 500 600; do
  xdotool mousemove "$x" $((70 + x / 3))
  sleep 0.2
done
xdotool mouseup 1
sleep 1
shot 02_floated
stop
cp "$work/corvatalen.ini" "$out/corvatalen.ini"
start
shot 03_restarted
stop
echo "pictures and corvatalen.ini in $out"
