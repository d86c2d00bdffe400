#!/usr/bin/env python3
"""CPU and memory of the real program live on a real X display, beside the same run headless.

    bench/app/screen_cpu.py BUILD_DIR [SECONDS] [--demo] [--against OTHER_BUILD_DIR]

Starts the program twice at once, each in a fresh working directory (prepared as ./run does) on
a pseudo-terminal of its own: once headless, once with the SDL backend on a private Xvfb display.
Both are fed the same yacht's log, the demonstration recording written back as the instruments
sent it (bench/app/lognmea), one second of sentences a second at the pace of a 4800-baud line.
After the 12 s start-up it measures user + system time from /proc for SECONDS (180 by default)
and samples the resident memory every second, then prints for each run the share of one core,
the largest RSS and the threads with their names, and the ratio of the two.

With --against it runs the other build's program the same two ways at the same time (four
programs fed the same sentences), and prints both builds' figures and their ratio: two builds
compared on one machine in one run, under the same load.

With --demo it measures instead the demonstration replayed at Fast under Xvfb: no instruments,
the no-input question after 40 s answered Yes with xdotool, the replay switched to Fast (ten
seconds a second), then SECONDS of CPU.
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
# The question box's "Yes" and the replay bar's "Fast" on the 1280 x 800 screen (window at 0, 0).
YES_BUTTON = (598, 422)
FAST_BUTTON = (370, 76)


def cpu_ticks(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])  # utime, stime (fields 14 and 15)


def rss_kib(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def threads(pid):
    names = []
    for tid in sorted(os.listdir("/proc/%d/task" % pid), key=int):
        try:
            with open("/proc/%d/task/%s/comm" % (pid, tid)) as f:
                names.append(f.read().strip())
        except OSError:
            pass
    return names


def start_xvfb():
    for n in range(90 + os.getpid() % 100, 400):
        if os.path.exists("/tmp/.X%d-lock" % n) or os.path.exists("/tmp/.X11-unix/X%d" % n):
            continue
        display = ":%d" % n
        proc = subprocess.Popen(["Xvfb", display, "-screen", "0", "1280x800x24", "-nolisten", "tcp"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(100):
            time.sleep(0.05)
            if os.path.exists("/tmp/.X11-unix/X%d" % n):
                return proc, display
            if proc.poll() is not None:
                break
        proc.terminate()
        proc.wait()
    sys.exit("no free X display")


class Run:
    """The program in a working directory of its own, its port a pseudo-terminal we hold."""

    def __init__(self, binary, mode, display=None, port=True, label=None):
        self.mode = mode
        self.label = label or mode
        self.work = tempfile.mkdtemp(prefix="corv-screen-")
        subprocess.run([os.path.join(ROOT, "scripts", "prepare-workdir.sh"), self.work], check=True,
                       stdout=subprocess.DEVNULL)
        self.master, slave = pty.openpty()
        tty.setraw(slave)
        os.set_blocking(self.master, False)
        comport = os.ttyname(slave) if port else "Network"
        with open(os.path.join(self.work, "corvatalen.ini"), "w") as f:
            f.write("[comms]\ncomport=%s\n[settings]\nsendperformance=1\nsendtimetoll=1\n" % comport)
        env = dict(os.environ, CORVATALEN_DISPLAY=mode)
        if display:
            env["DISPLAY"] = display
            env["SDL_VIDEODRIVER"] = "x11"
        self.proc = subprocess.Popen([binary], cwd=self.work, env=env, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
        self.rss_max = 0

    def write(self, text):
        try:
            os.write(self.master, text)
        except BlockingIOError:
            pass
        try:
            os.read(self.master, 4096)  # what the program sends back to the instruments
        except (BlockingIOError, OSError):
            pass

    def sample(self):
        if self.proc.poll() is None:
            self.rss_max = max(self.rss_max, rss_kib(self.proc.pid))

    def close(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(timeout=15)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        shutil.rmtree(self.work, ignore_errors=True)


def blocks(build):
    """One second of sentences a block, from the demonstration recording, over and over."""
    out = subprocess.run([os.path.join(build, "bench", "app", "lognmea"),
                          os.path.join(ROOT, "data", "demonstration.lg"), "2000"],
                         check=True, capture_output=True).stdout
    return [b for b in out.split(b"\n\n") if b.strip()] or [b"\n"]


def feed(runs, data, seconds, state):
    """Writes a block a second to every run, 48 characters each tenth of a second."""
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        second_start = time.monotonic()
        block = data[state["n"] % len(data)] if data else b""
        state["n"] += 1
        for i in range(10):
            piece = block[i * 48:(i + 1) * 48]
            for r in runs:
                if piece:
                    r.write(piece)
            time.sleep(max(0.0, second_start + 0.1 * (i + 1) - time.monotonic()))
        for r in runs:
            r.sample()


def measure(runs, data, seconds, state):
    start = {r.label: cpu_ticks(r.proc.pid) for r in runs}
    t0 = time.monotonic()
    feed(runs, data, seconds, state)
    elapsed = time.monotonic() - t0
    result = {}
    for r in runs:
        alive = r.proc.poll() is None
        used = (cpu_ticks(r.proc.pid) - start[r.label]) / os.sysconf("SC_CLK_TCK") if alive else 0
        result[r.label] = (100 * used / elapsed, used, elapsed, r.rss_max / 1024,
                          threads(r.proc.pid) if alive else [], alive)
    return result


def report(label, figures):
    pct, used, elapsed, rss, names, alive = figures
    print("%-14s %5.2f %% of a core (%.2f s CPU in %.0f s), RSS at most %.1f MB, %d threads%s" %
          (label, pct, used, elapsed, rss, len(names), "" if alive else " (program ended!)"))
    if names:
        print("          threads: %s" % ", ".join(names))


def xdo(display, *args):
    subprocess.run(["xdotool"] + list(args), env=dict(os.environ, DISPLAY=display), check=False)


def main():
    argv = sys.argv[1:]
    against = None
    if "--against" in argv:
        i = argv.index("--against")
        against = os.path.abspath(argv[i + 1])
        del argv[i:i + 2]
    args = [a for a in argv if not a.startswith("--")]
    demo = "--demo" in argv
    build = os.path.abspath(args[0] if args else os.path.join(ROOT, "build", "release"))
    seconds = float(args[1]) if len(args) > 1 else 180
    binary = os.path.join(build, "app", "corvatalen")
    with open("/proc/loadavg") as f:
        print("load average at start: %s" % " ".join(f.read().split()[:3]))
    xvfb, display = start_xvfb()
    runs = []
    state = {"n": 0}
    try:
        if demo:
            sdl = Run(binary, "sdl", display, port=False)
            runs = [sdl]
            feed(runs, [], 43, state)  # the no-input watchdog asks after 40 s
            xdo(display, "mousemove", str(YES_BUTTON[0]), str(YES_BUTTON[1]), "click", "1")
            feed(runs, [], 3, state)
            # "Fast" on the replay bar: the replay plays at once, so the first click stops it
            # and the second plays at ten seconds a second.
            fx, fy = FAST_BUTTON
            for _ in range(2):
                xdo(display, "mousemove", str(fx), str(fy), "click", "1")
                feed(runs, [], 1, state)
            feed(runs, [], 5, state)
            report("demo Fast", measure(runs, [], seconds, state)["sdl"])
        elif against:
            data = blocks(build)
            other = os.path.join(against, "app", "corvatalen")
            print("this: %s\nother: %s" % (build, against))
            runs = [Run(binary, "headless", label="this headless"),
                    Run(binary, "sdl", display, label="this sdl"),
                    Run(other, "headless", label="other headless"),
                    Run(other, "sdl", display, label="other sdl")]
            feed(runs, data, 12, state)
            result = measure(runs, data, seconds, state)
            for r in runs:
                report(r.label, result[r.label])
            for mode in ("headless", "sdl"):
                mine, theirs = result["this " + mode][0], result["other " + mode][0]
                if theirs > 0:
                    print("this / other, %s: CPU %.2f x" % (mode, mine / theirs))
        else:
            data = blocks(build)
            runs = [Run(binary, "headless"), Run(binary, "sdl", display)]
            feed(runs, data, 12, state)
            result = measure(runs, data, seconds, state)
            report("headless", result["headless"])
            report("sdl", result["sdl"])
            if result["headless"][0] > 0:
                print("sdl / headless: CPU %.2f x, RSS %.2f x" %
                      (result["sdl"][0] / result["headless"][0],
                       result["sdl"][3] / max(result["headless"][3], 1e-9)))
        with open("/proc/loadavg") as f:
            print("load average at end: %s" % " ".join(f.read().split()[:3]))
    finally:
        for r in runs:
            r.close()
        xvfb.terminate()
        xvfb.wait()


main()
