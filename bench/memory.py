#!/usr/bin/python3
"""Resident memory of the real program under Xvfb, with the prepared content and FluidR3_GM.

usage: bench/memory.py path/to/pikoro

The program runs from a temporary application folder with the prepared content the build put
beside it, with its own XDG config folder and SDL's disk audio driver, so the opening piece can
be heard in the output file.
Prints VmRSS (from /proc/<pid>/status) at these points:
  after start      the window is up, the opening picture is shown and the opening piece sounds
                   (so the SoundFont is loaded)
  3 s later        the same, once the pictures of default.pik have been prepared
  pictures ready   after the first picture set (お子さまモード１) was chosen in the settings
                   window and its pictures were prepared in the background
  piece playing    the largest value while F1 plays its piece for five seconds
Not a test: run by hand.
"""
import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import bench_common as bench  # noqa: E402
from bench_common import e2e  # noqa: E402
from Xlib import display  # noqa: E402


def rss_kib(pid):
    with open("/proc/%d/status" % pid, encoding="ascii") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def sounds_after(path, offset):
    """True once the disk output past byte offset holds an audible sample."""
    return e2e.audio_peak(path, offset) > 0.01


def main():
    work, _, program, config, _ = bench.prepare(sys.argv[1], "pikoro-memory-")
    audio = os.path.join(work, "audio.raw")
    xvfb, disp = e2e.start_xvfb()
    env = dict(os.environ, DISPLAY=disp, QT_QPA_PLATFORM="xcb", XDG_CONFIG_HOME=config,
               TMPDIR=work, SDL_AUDIODRIVER="disk", SDL_DISKAUDIOFILE=audio)
    run = None
    figures = []
    try:
        d = display.Display(disp)
        start = time.monotonic()
        run = subprocess.Popen([program], env=env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
        if e2e.wait_for(lambda: e2e.main_window(d), timeout=30, step=0.01) is None:
            sys.exit("the main window did not appear")
        if not e2e.wait_for(lambda: sounds_after(audio, 0), timeout=30, step=0.02):
            sys.exit("the opening piece was not heard")
        figures.append(("after start (%.1f s)" % (time.monotonic() - start), rss_kib(run.pid)))
        time.sleep(3)
        figures.append(("3 s later", rss_kib(run.pid)))
        # Shift + click on the background opens the settings; the last enabled item of the file
        # menu is the last picture mode, four up from it the first.
        subprocess.run(["xdotool", "mousemove", "60", "60", "keydown", "shift", "click", "1",
                        "keyup", "shift"], env=env, check=False)
        if e2e.wait_for(lambda: any(name == "設定" for _, name, _, _ in bench.windows(d)),
                        timeout=10) is None:
            sys.exit("the settings window did not open")
        time.sleep(0.5)
        e2e.press(env, "alt+s", "Up", "Up", "Up", "Up", "Up", "Return")
        time.sleep(3)
        e2e.press(env, "Escape")
        time.sleep(0.5)
        figures.append(("pictures ready", rss_kib(run.pid)))

        # A character key stops the opening piece; F1 then plays its own.
        e2e.press(env, "a")
        time.sleep(1.5)
        offset = os.path.getsize(audio)
        e2e.press(env, "F1")
        if not e2e.wait_for(lambda: sounds_after(audio, offset), timeout=10, step=0.02):
            sys.exit("the F1 piece was not heard")
        peak = 0
        end = time.monotonic() + 5
        while time.monotonic() < end:
            peak = max(peak, rss_kib(run.pid))
            time.sleep(0.1)
        figures.append(("piece playing (max)", peak))
    finally:
        if run:
            run.terminate()
            run.wait()
        xvfb.terminate()
        xvfb.wait()
        shutil.rmtree(work, ignore_errors=True)
    for label, kib in figures:
        print("%-22s VmRSS %7d KiB = %6.1f MiB" % (label, kib, kib / 1024))


if __name__ == "__main__":
    main()
