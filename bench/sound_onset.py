#!/usr/bin/python3
"""Key to sound: when each key's sound starts, measured in SDL's disk driver output.

usage: bench/sound_onset.py [--presses N] path/to/pikoro
A and B by turns, 1.2 s apart (each a single press, so each waits its half second), A and B
with a short WAVE each. The disk driver writes the mix to a file as it renders it, 512-frame
blocks two at a time (its 8 KiB file buffer); the file is followed every 0.5 ms, so each piece
written has the wall-clock time it reached the file. An onset is the first sample above 0.03
after the key; its time is that of its piece plus its place in the piece, as if the file were a
device that starts playing each piece when it arrives. Prints the median, the spread and how many
onsets fall within 500 +- 10 ms of their key. Beside it, from the program's own log
(pikoro.play debug messages, stamped by Qt in milliseconds), the time from each key's arrival to
its sound step: the program's part, without the sound device's. Not a test: run by hand, on a
quiet machine.
"""
import argparse
import array
import os
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from bench_common import e2e  # noqa: E402,F401  (puts the end-to-end helpers on the path)
from keys_e2e import AudioClock, press_now, stop, write_app  # noqa: E402
from Xlib import display  # noqa: E402

RATE = 48000  # the program's mixing rate
FRAME = 8  # bytes of one stereo 32-bit float frame


def onset_time(clock, since, until):
    """Wall-clock time of the first loud sample rendered between two times, or None."""
    e2e.wait_for(lambda: clock.marks[-1][0] >= until, timeout=5, step=0.02)
    start = next((size for t, size in clock.marks if t >= since), None)
    if start is None:
        return None
    start -= start % FRAME
    with open(clock.path, "rb") as f:
        f.seek(start)
        data = f.read()
    samples = array.array("f")
    samples.frombytes(data[: len(data) // FRAME * FRAME])
    loud = next((i for i, x in enumerate(samples) if abs(x) > 0.03), None)
    if loud is None:
        return None
    offset = start + loud // 2 * FRAME
    # The block holding the onset: rendered at the first mark that holds it, beginning at the
    # size of the mark before.
    for (t0, size0), (t1, size1) in zip(clock.marks, clock.marks[1:]):
        if size1 > offset:
            return t1 + (offset - size0) / FRAME / RATE
    return None


def program_steps(log):
    """Milliseconds from each key the program received to its sound step, from its log."""
    steps, key = [], None
    with open(log, encoding="utf-8", errors="replace") as f:
        for line in f:
            parts = line.split(None, 1)
            if len(parts) < 2:
                continue
            try:
                when = float(parts[0]) * 1000
            except ValueError:
                continue
            if "key pressed" in parts[1]:
                key = when
            elif "key sound starts" in parts[1] and key is not None:
                steps.append(when - key)
                key = None
    return steps[1:]  # the first key stops the opening piece


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--presses", type=int, default=60)
    parser.add_argument("program")
    args = parser.parse_args()
    _, program, config, runtime = e2e.prepare_folders(os.path.abspath(args.program),
                                                       "pikoro-bench-onset-")
    work = os.path.dirname(os.path.dirname(program))
    app_folder = os.path.dirname(program)
    write_app(app_folder, every_key=False)
    audio = os.path.join(work, "audio.raw")
    xvfb, disp = e2e.start_xvfb()
    env = dict(e2e.x_env(disp, config, runtime), SDL_AUDIODRIVER="disk",
               SDL_DISKAUDIOFILE=audio, QT_LOGGING_RULES="pikoro.play.debug=true",
               QT_MESSAGE_PATTERN="%{time process} %{message}")
    log = os.path.join(work, "program.log")
    d = display.Display(disp)
    run = None
    try:
        run = subprocess.Popen([program], env=env, stderr=open(log, "w"))
        mapped = e2e.wait_for(lambda: e2e.main_window(d) is not None, step=0.002)
        if not mapped:
            sys.exit("the play screen did not map")
        time.sleep(2.0)
        clock = AudioClock(audio)
        press_now(d, "a")  # stops the opening piece
        time.sleep(2.0)
        delays = []
        for n in range(args.presses):
            pressed = time.monotonic()
            press_now(d, "ab"[n % 2])
            found = onset_time(clock, pressed, pressed + 0.9)
            delays.append(None if found is None else (found - pressed) * 1000)
            time.sleep(max(0.0, pressed + 1.2 - time.monotonic()))
        clock.stop()
        steps = program_steps(log)
    finally:
        if run:
            stop(run)
        e2e.close_work(work, xvfb)
    print("each (ms):", " ".join("-" if ms is None else "%.0f" % ms for ms in delays))
    heard = sorted(ms for ms in delays if ms is not None)
    if not heard:
        sys.exit("no onset heard")
    within = sum(1 for ms in heard if abs(ms - 500) <= 10)
    print("presses %d, onsets heard %d" % (len(delays), len(heard)))
    if steps:
        steps.sort()
        print("key to sound step in the program: median %.0f ms, min %.0f, max %.0f; "
              "within 500 +- 5 ms: %d of %d" % (statistics.median(steps), steps[0], steps[-1],
                                                 sum(1 for ms in steps if abs(ms - 500) <= 5),
                                                 len(steps)))
    print("key to sound: median %.1f ms, min %.1f, max %.1f; within 500 +- 10 ms: %d of %d" %
          (statistics.median(heard), heard[0], heard[-1], within, len(delays)))


if __name__ == "__main__":
    main()
