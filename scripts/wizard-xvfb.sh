#!/usr/bin/env bash
# wizard-xvfb.sh [out-dir]: the program (release build) in a real window under Xvfb with three
# pseudo-terminal pairs as COM1..COM3 (named through CORVATALEN_SERIAL_DEVICES) and instruments
# writing RMC, VHW, MWV and HDG at 4800 baud into COM3. The no-input watchdog's questions are
# answered No (demonstration) and Yes (wizard), the wizard is driven with xdotool, and the screen
# is taken with import at each step; corvatalen.ini must then name COM3.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-$(mktemp -d /tmp/wizard-xvfb-XXXXXX)}"
mkdir -p "$out"
unset DISPLAY
source "$root/scripts/xvfb-session.sh" wizard
tmp="$work"
mkdir "$tmp/links" "$tmp/work"
for i in 1 2 3; do
  socat "pty,raw,echo=0,link=$tmp/links/com$i" "pty,raw,echo=0,link=$tmp/links/far$i" \
    >/dev/null 2>&1 &
  pids+=($!)
done
sleep 1

# 4800 baud is 480 characters a second: the block of each second goes out in 48-character pieces.
python3 - "$tmp/links/far3" <<'EOF' &
import os, sys, time
def sentence(body):
    s = 0
    for c in body: s ^= ord(c)
    return "$%s*%02X\r\n" % (body, s)
fd = os.open(sys.argv[1], os.O_WRONLY | os.O_NOCTTY)
n = 0
while True:
    n += 1
    block = (sentence("GPRMC,1200%02d,A,5230.%04d,N,00412.5000,E,6.5,90.0,061226,," % (n % 60, n)) +
             sentence("IIVHW,,T,,M,6.%d,N,,K" % (n % 10)) +
             sentence("IIMWV,045.0,R,14.%d,N,A" % (n % 10)) +
             sentence("HCHDG,8%d.0,,,," % (n % 10)))
    pieces = range(0, len(block), 48)
    for i in pieces:
        os.write(fd, block[i:i + 48].encode())
        time.sleep(0.1)
    time.sleep(max(0.0, 1.0 - 0.1 * len(pieces)))
EOF
pids+=($!)

"$root/scripts/prepare-workdir.sh" "$tmp/work"
printf '[comms]\r\ncomport=COM1\r\n' >"$tmp/work/corvatalen.ini"
(cd "$tmp/work" &&
  CORVATALEN_DISPLAY=sdl \
    CORVATALEN_SERIAL_DEVICES="$tmp/links/com1:$tmp/links/com2:$tmp/links/com3" \
    exec "$root/build/release/app/corvatalen") &
program=$!
pids+=($program)

shot() { import -window root "$out/$1.png"; }
click() { xdotool mousemove "$1" "$2" click 1; }
sleep 12 && shot 01_start
sleep 30 && shot 02_watchdog     # "No input received on NMEA..."
click 679 422 && sleep 1.5       # No: no demonstration
shot 03_ask_wizard && click 598 422 && sleep 1.5  # Yes: the wizard
click 640 498 && sleep 2 && shot 04_scanning      # Step 1
sleep 15 && shot 05_conclusion   # three ports, 4 s each
click 639 422 && sleep 1 && shot 06_log
click 640 536 && sleep 3 && shot 07_after_step2   # Step 2: the port opens, the timers run
click 102 17 && sleep 1.2 && shot 08_comms        # the communications form, "Signal" lamp
click 171 38 && sleep 0.5                          # its debugging page
for i in $(seq 1 14); do shot "09_debugging_$i"; done
click 407 391 && sleep 2         # OK
kill -TERM "$program"
wait "$program" || true
grep -i '^comport=' "$tmp/work/corvatalen.ini"
echo "pictures in $out"
