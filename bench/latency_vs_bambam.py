#!/usr/bin/python3
"""Side-by-side latency: PIKORO and bambam (Debian's keyboard-mashing game for toddlers).

Usage: latency_vs_bambam.py [--presses N] [--floor FLOOR] PIKORO [BAMBAM]
(run by hand; not part of CI)

Each program is started the same way under one Xvfb (1920 x 1080, no window manager, sound to
SDL's dummy driver): launch-to-first-window is the time from the start of the process to its
first mapped window of at least 100 x 100 pixels (PIKORO's splash). Then N letter keys are pressed through XTest,
one every 0.8 s, and for each the time from the press to the first repaint of the program's
window is taken from the X DAMAGE extension (a DamageNotify on the window). p50, p90 and p99
are printed per program, as a Markdown table. With --floor (build/release/bench/pikoro_bench_floor),
a window that only repaints a small square per key is measured the same way: the part of every
figure that is the X server, Qt's event delivery and this script.
"""
import argparse
import os
import select
import shutil
import string
import subprocess
import sys
import time

from Xlib import X, XK, display
from Xlib.ext import damage, xtest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import bench_common as bench  # noqa: E402
from bench_common import e2e  # noqa: E402


def percentile(values, share):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(round(share * (len(ordered) - 1))))]


def first_window(d, pids_windows_before):
    for w, _, width, height in bench.windows(d):
        if w.id not in pids_windows_before and width >= 100 and height >= 100:
            return w
    return None


def measure(d, disp, name, command, env, presses):
    before = {w.id for w, *_ in bench.windows(d)}
    started = time.monotonic()
    run = subprocess.Popen(command, env=dict(env, DISPLAY=disp), stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
    try:
        window = e2e.wait_for(lambda: first_window(d, before), timeout=60, step=0.005)
        launch = time.monotonic() - started
        if window is None:
            raise RuntimeError("%s showed no window" % name)
        time.sleep(3.0)  # let start-up drawing settle (splash, opening picture, fade-ins)
        # The window keys are pressed on: the largest one (PIKORO's first is its splash).
        window = max((w for w, _, width, height in bench.windows(d) if w.id not in before),
                     key=lambda w: w.get_geometry().width * w.get_geometry().height)
        window.set_input_focus(X.RevertToPointerRoot, X.CurrentTime)
        watch = window.damage_create(damage.DamageReportNonEmpty)
        d.sync()
        latencies = []
        for n in range(presses):
            d.damage_subtract(watch)
            d.sync()
            while d.pending_events():
                d.next_event()
            keycode = d.keysym_to_keycode(XK.string_to_keysym(string.ascii_lowercase[n % 26]))
            pressed = time.monotonic()
            xtest.fake_input(d, X.KeyPress, keycode)
            xtest.fake_input(d, X.KeyRelease, keycode)
            d.flush()
            end = pressed + 2.0
            while time.monotonic() < end:
                if d.pending_events():
                    event = d.next_event()
                    if event.type == d.extension_event.DamageNotify:
                        latencies.append(time.monotonic() - pressed)
                        break
                else:
                    # Woken by the X connection itself, so the script adds no polling delay.
                    select.select([d.fileno()], [], [], max(0.0, end - time.monotonic()))
            time.sleep(0.8)
        # (the damage object goes with the window when the program ends)
        return launch, latencies
    finally:
        run.terminate()
        try:
            run.wait(timeout=10)
        except subprocess.TimeoutExpired:
            run.kill()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("pikoro")
    parser.add_argument("bambam", nargs="?", default="/usr/games/bambam")
    parser.add_argument("--presses", type=int, default=100)
    parser.add_argument("--floor", help="the reference window, pikoro_bench_floor")
    args = parser.parse_args()

    work, _, program, config, runtime = bench.prepare(args.pikoro, "pikoro-bench-")
    env = dict(os.environ, QT_QPA_PLATFORM="xcb", XDG_CONFIG_HOME=config, XDG_RUNTIME_DIR=runtime,
               TMPDIR=runtime, SDL_AUDIODRIVER="dummy")
    xvfb, disp = e2e.start_xvfb()
    rows = []
    try:
        d = display.Display(disp)
        if not d.has_extension("DAMAGE"):
            raise RuntimeError("the X server has no DAMAGE extension")
        d.damage_query_version()
        programs = [("PIKORO", [program]), ("bambam", [args.bambam, "--mute"])]
        if args.floor:
            programs.append(("reference window", [os.path.abspath(args.floor)]))
        for name, command in programs:
            launch, latencies = measure(d, disp, name, command, env, args.presses)
            rows.append((name, launch, latencies))
    finally:
        xvfb.terminate()
        xvfb.wait()
        shutil.rmtree(work, ignore_errors=True)

    print("| Program | launch to first window | key to repaint p50 | p90 | p99 | repaints seen |")
    print("|---|---|---|---|---|---|")
    for name, launch, latencies in rows:
        if latencies:
            p50, p90, p99 = (percentile(latencies, s) * 1000 for s in (0.5, 0.9, 0.99))
            print("| %s | %.0f ms | %.1f ms | %.1f ms | %.1f ms | %d of %d |"
                  % (name, launch * 1000, p50, p90, p99, len(latencies), args.presses))
        else:
            print("| %s | %.0f ms | - | - | - | 0 of %d |" % (name, launch * 1000, args.presses))


if __name__ == "__main__":
    main()
