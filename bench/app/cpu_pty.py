#!/usr/bin/env python3
"""CPU of the real program over a minute of instrument data after its start-up.

    bench/app/cpu_pty.py BINARY [headless|sdl]

Starts the program in a fresh working directory (prepared as ./run does) on a pseudo-terminal,
feeds NMEA sentences at the pace of a 4800-baud line (480 characters a second), waits out the
10 s start-up and then measures user + system time from /proc for 60 s. With "sdl" it runs on
a private Xvfb display. Prints the share of one core in percent.
"""
import os
import pty
import shutil
import subprocess
import sys
import tempfile
import time
import tty

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.abspath(os.path.join(HERE, "..", ".."))


def sentence(body):
    s = 0
    for ch in body.encode():
        s ^= ch
    return "$%s*%02X\r\n" % (body, s)


def cpu_ticks(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])  # utime, stime (fields 14 and 15)


def main():
    binary = os.path.abspath(sys.argv[1])
    mode = sys.argv[2] if len(sys.argv) > 2 else "headless"
    work = tempfile.mkdtemp(prefix="corv-cpu-")
    xvfb = None
    try:
        subprocess.run([os.path.join(ROOT, "scripts", "prepare-workdir.sh"), work], check=True)
        master, slave = pty.openpty()
        tty.setraw(slave)
        name = os.ttyname(slave)
        with open(os.path.join(work, "corvatalen.ini"), "w") as f:
            f.write("[comms]\ncomport=%s\n[settings]\nsendperformance=1\nsendtimetoll=1\n" % name)
        env = dict(os.environ, CORVATALEN_DISPLAY=mode)
        if mode == "sdl":
            display = ":%d" % (90 + os.getpid() % 100)
            xvfb = subprocess.Popen(["Xvfb", display, "-screen", "0", "1280x800x24", "-nolisten",
                                     "tcp"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            time.sleep(1.5)
            env["DISPLAY"] = display
        proc = subprocess.Popen([binary], cwd=work, env=env, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        os.set_blocking(master, False)
        second = 0

        def feed_for(seconds):
            nonlocal second
            end = time.monotonic() + seconds
            while time.monotonic() < end:
                t = second
                text = (sentence("GPRMC,12%02d%02d,A,5230.%04d,N,00400.0000,E,6.%d,9%d.0,061226,,"
                                 % (t // 60 % 60, t % 60, t % 10000, t % 10, t % 10)) +
                        sentence("IIMWV,4%d.0,R,14.%d,N,A" % (t % 10, t % 7)) +
                        sentence("IIVHW,,T,,M,6.%d,N,,K" % (t % 9)))
                # 480 characters a second at most: what a 4800-baud line carries.
                for i in range(0, len(text), 48):
                    os.write(master, text[i:i + 48].encode())
                    try:
                        os.read(master, 4096)
                    except BlockingIOError:
                        pass
                    time.sleep(0.1)
                second += 1

        feed_for(12)
        start = cpu_ticks(proc.pid)
        t0 = time.monotonic()
        feed_for(60)
        used = (cpu_ticks(proc.pid) - start) / os.sysconf("SC_CLK_TCK")
        elapsed = time.monotonic() - t0
        alive = proc.poll() is None
        proc.terminate()
        proc.wait(timeout=10)
        print("%s: %.2f s CPU in %.1f s = %.2f %% of a core%s" %
              (mode, used, elapsed, 100 * used / elapsed, "" if alive else " (program ended!)"))
    finally:
        if xvfb:
            xvfb.terminate()
            xvfb.wait()
        shutil.rmtree(work, ignore_errors=True)


main()
