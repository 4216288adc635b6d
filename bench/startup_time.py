#!/usr/bin/python3
"""Start-up time of the real program beside a bare Qt window, under Xvfb.

usage: bench/startup_time.py [--runs N] [--floor FLOOR] path/to/pikoro

For each program: launch to its full-screen window mapped (the X server's MapNotify), and to
that window's first whole paint (PIKORO: the keyboard drawn; the bare window,
pikoro_bench_floor beside the program's build by default: its square drawn). The two programs
start in turn, N times each (5 by default); the medians and PIKORO's ratio to the bare window
are printed. Not a test: run by hand, on a quiet machine.
"""
import argparse
import os
import select
import shutil
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import bench_common as bench  # noqa: E402
from bench_common import e2e  # noqa: E402
from Xlib import X, display  # noqa: E402


def keyboard_drawn(d):
    return bench.screenshot_colours(d, 300, 750, 1320, 250) >= 8


def square_drawn(d):
    # pikoro_bench_floor paints a blue square at (100, 100) and nothing else.
    data = d.screen().root.get_image(132, 132, 1, 1, X.ZPixmap, 0xFFFFFFFF).data
    return data[0] > 200 and data[1] < 50 and data[2] < 50  # BGRX


def full_screen(window):
    try:
        geo = window.get_geometry()
    except Exception:  # gone again
        return False
    return (geo.width, geo.height) == e2e.SCREEN


def launch(d, command, env, drawn):
    """Starts `command` and returns (ms to the full-screen window mapped, ms to it drawn), or
    None when it did not show within 30 s. The map is seen as an event; the paint by looking."""
    start = time.monotonic()
    process = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    mapped = painted = None
    try:
        while painted is None and time.monotonic() - start < 30:
            while d.pending_events():
                event = d.next_event()
                if mapped is None and event.type == X.MapNotify and full_screen(event.window):
                    mapped = time.monotonic()
            if mapped is None:
                select.select([d], [], [], 0.01)
            elif drawn(d):
                painted = time.monotonic()
            else:
                time.sleep(0.001)
    finally:
        process.terminate()
        process.wait()
    if painted is None:
        return None
    return (mapped - start) * 1000, (painted - start) * 1000


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--floor", help="the bare window, pikoro_bench_floor")
    parser.add_argument("pikoro")
    args = parser.parse_args()
    floor = os.path.abspath(args.floor or os.path.join(os.path.dirname(args.pikoro), "bench",
                                                        "pikoro_bench_floor"))
    work, _, program, config, runtime = bench.prepare(args.pikoro, "pikoro-startup-")
    xvfb, disp = e2e.start_xvfb()
    env = e2e.x_env(disp, config, runtime)
    programs = (("PIKORO", [program], keyboard_drawn), ("bare Qt window", [floor], square_drawn))
    results = {name: [] for name, _, _ in programs}
    try:
        d = display.Display(disp)
        d.screen().root.change_attributes(event_mask=X.SubstructureNotifyMask)
        d.sync()
        for run in range(args.runs):
            for name, command, drawn in programs:
                # Nothing of the previous run left on screen or in flight.
                e2e.wait_for(lambda: not e2e.top_windows(d), timeout=5, step=0.01)
                while d.pending_events():
                    d.next_event()
                time.sleep(0.3)
                figures = launch(d, command, env, drawn)
                if figures is None:
                    print("run %d, %s: not seen within 30 s" % (run + 1, name))
                    continue
                results[name].append(figures)
                print("run %d, %s: mapped %.0f ms, painted %.0f ms" % ((run + 1, name) + figures))
    finally:
        xvfb.terminate()
        xvfb.wait()
        shutil.rmtree(work, ignore_errors=True)
    medians = {}
    print("\n| program | launch → mapped | launch → painted | mapped → painted |")
    print("|---|---|---|---|")
    for name, _, _ in programs:
        if not results[name]:
            continue
        mapped = statistics.median(f[0] for f in results[name])
        painted = statistics.median(f[1] for f in results[name])
        gap = statistics.median(f[1] - f[0] for f in results[name])
        medians[name] = (mapped, painted)
        print("| %s | %.0f ms | %.0f ms | %.0f ms |" % (name, mapped, painted, gap))
    if len(medians) == 2:
        ours, bare = medians["PIKORO"], medians["bare Qt window"]
        print("\nPIKORO / bare window: mapped %.2f×, painted %.2f× (median of %d interleaved runs)"
              % (ours[0] / bare[0], ours[1] / bare[1], args.runs))


if __name__ == "__main__":
    main()
