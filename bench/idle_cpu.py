#!/usr/bin/python3
"""CPU use of the real program under Xvfb: idle with the blinking mascot, then while the F10
dance runs.

usage: bench/idle_cpu.py path/to/pikoro [seconds]
Reads utime + stime of the process from /proc/<pid>/stat before and after each period and prints
the share of one core. Not a test: run by hand.
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


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    # Fields 14 and 15 of the line (utime, stime); the split starts at field 3.
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def share(pid, seconds):
    cpu, wall = cpu_seconds(pid), time.monotonic()
    time.sleep(seconds)
    return 100 * (cpu_seconds(pid) - cpu) / (time.monotonic() - wall)


def main():
    executable = sys.argv[1]
    seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 30
    work, app_folder, program, config, _ = bench.prepare(executable, "pikoro-cpu-", content=False)
    # F10 gets a piece long enough for the whole measurement; no opening piece.
    e2e.write_midi(os.path.join(app_folder, "dance.mid"), seconds=int(seconds) + 20)
    with open(os.path.join(app_folder, "PIKORO.ini"), "w", encoding="utf-8") as f:
        f.write("[MIDIFile]\r\nMIDIOp 19=.\\dance.mid\r\n")
    xvfb, disp = e2e.start_xvfb()
    env = dict(os.environ, DISPLAY=disp, QT_QPA_PLATFORM="xcb", XDG_CONFIG_HOME=config,
               TMPDIR=work, SDL_AUDIODRIVER="dummy")
    p = subprocess.Popen([program], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        d = display.Display(disp)
        w = e2e.wait_for(lambda: e2e.main_window(d))
        if w is None:
            sys.exit("main window not seen")
        time.sleep(3)  # the opening and the SoundFont load are over
        print("idle, mascot blinking: %.2f %% of a core over %.0f s" % (share(p.pid, seconds),
                                                                         seconds))
        subprocess.run(["xdotool", "windowfocus", "--sync", str(w.id)], env=env, check=False)
        e2e.press(env, "F10")
        time.sleep(1)
        print("F10 dance running:     %.2f %% of a core over %.0f s" % (share(p.pid, seconds),
                                                                         seconds))
    finally:
        p.terminate()
        p.wait()
        xvfb.terminate()
        xvfb.wait()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
