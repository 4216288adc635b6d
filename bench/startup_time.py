#!/usr/bin/python3
"""Start-up time of the real program: launch to the main window on screen, under Xvfb.

usage: bench/startup_time.py path/to/pikoro [runs]
Prints each run and the median, in milliseconds. Not a test: run by hand.
"""
import os
import shutil
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import bench_common as bench  # noqa: E402
from bench_common import e2e  # noqa: E402
from Xlib import display  # noqa: E402


def main():
    executable = sys.argv[1]
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    work, _, program, config, _ = bench.prepare(executable, "pikoro-startup-")
    xvfb, disp = e2e.start_xvfb()
    env = dict(os.environ, DISPLAY=disp, QT_QPA_PLATFORM="xcb", XDG_CONFIG_HOME=config,
               TMPDIR=work, SDL_AUDIODRIVER="dummy")
    times = []
    try:
        d = display.Display(disp)
        for _ in range(runs):
            start = time.monotonic()
            p = subprocess.Popen([program], env=env, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
            shown = e2e.wait_for(lambda: e2e.main_window(d) is not None and
                                 bench.screenshot_colours(d, 300, 750, 1320, 250) >= 8,
                                 timeout=30, step=0.005)
            elapsed = (time.monotonic() - start) * 1000
            p.terminate()
            p.wait()
            if shown:
                times.append(elapsed)
                print("run: %.0f ms" % elapsed)
            else:
                print("run: main window not seen")
    finally:
        xvfb.terminate()
        xvfb.wait()
        shutil.rmtree(work, ignore_errors=True)
    if times:
        print("median launch to keyboard on screen: %.0f ms" % statistics.median(times))


if __name__ == "__main__":
    main()
