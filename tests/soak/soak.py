#!/usr/bin/python3
"""Soak run: the real program under Xvfb takes a long random stream of keys and clicks, some
with Shift or Ctrl, never the exit gesture; some keys have hostile files. Windows that open are
closed again; every K events the program must be alive and draw for letters; at the end SIGTERM
must end it with exit code 0 (a sanitized build reports errors and leaks that way)."""
import argparse
import os
import random
import shutil
import sys
import time

from Xlib import X, display

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import e2e_common as e2e  # noqa: E402

KEYBOARD = (300, 750, 1620, 1000)  # the on-screen keyboard at 1920 x 1080
KEYS = ([chr(c) for c in range(ord("a"), ord("z") + 1)] + [str(d) for d in range(10)] +
        ["F%d" % n for n in range(1, 13)] +
        ["Left", "Right", "Up", "Down", "Escape", "Tab", "Return", "space", "BackSpace", "Home",
         "Menu", "Alt_L", "Super_L", "Caps_Lock", "Henkan_Mode", "Muhenkan", "KP_Enter", "KP_Add",
         "Print", "Pause", "Scroll_Lock", "semicolon", "minus", "backslash", "bracketleft"])


def vm_rss_kib(pid):
    with open("/proc/%d/status" % pid) as f:
        return next((int(line.split()[1]) for line in f if line.startswith("VmRSS:")), 0)


def close_others(d):
    """Closes the other windows (Escape, then a close request): the names of those that stay."""
    for attempt in range(20):
        if not e2e.dialogs(d):
            return []
        for w, *_ in e2e.dialogs(d):
            try:
                if attempt < 10:
                    w.set_input_focus(X.RevertToPointerRoot, X.CurrentTime)
                    e2e.send(d, "Escape")
                else:
                    e2e.send_close_request(d, w)
            except Exception:  # gone meanwhile
                pass
        time.sleep(0.2)
    return [title for _, title, *_ in e2e.dialogs(d)]


def responsive(d, main, last_shot, timeout=15.0):
    """The new screen once letters (a piece may hold keys off a while) change the last one."""
    try:
        end = time.monotonic() + timeout
        while e2e.window_name(d, main) == e2e.TITLE and time.monotonic() < end:
            shot = hash(e2e.region_pixels(d, 0, 0, *e2e.SCREEN))
            if shot != last_shot:
                return shot
            close_others(d)
            main.set_input_focus(X.RevertToPointerRoot, X.CurrentTime)
            e2e.send(d, random.choice("qwerty"))
            time.sleep(0.5)
    except Exception:
        pass
    return None


def random_event(rng, d):  # returns what it sent
    if rng.random() < 0.55:
        name, hold = rng.choice(KEYS), rng.choice([None] * 8 + ["Shift_L", "Control_L"])
        e2e.send(d, *filter(None, [hold, name]))
        return "key %s%s" % (hold + "+" if hold else "", name)
    if rng.random() < 0.67:
        x, y = rng.randrange(KEYBOARD[0], KEYBOARD[2]), rng.randrange(KEYBOARD[1], KEYBOARD[3])
    else:
        x, y = rng.randrange(0, e2e.SCREEN[0]), rng.randrange(0, KEYBOARD[1] - 20)
    button = 1 if rng.random() < 0.8 else 3
    hold = rng.choice([None] * 12 + ["Shift_L"] + ["Control_L"] * (button == 1))
    e2e.send(d, *filter(None, [hold]), click=(x, y), button=button)
    return "click %d %sat %d,%d" % (button, hold + "+" if hold else "", x, y)


def write_assets(app_folder):
    """Pictures, sounds and pieces for every other key, hostile files (pipes, a device, a folder,
    a metafile that once crashed the program) for some; a start-up data file assigns them."""
    path = lambda name: os.path.join(app_folder, name)  # noqa: E731
    e2e.write_bmp(path("p.bmp"), 200, 150, (0, 120, 255))
    e2e.write_wave(path("s.wav"), seconds=0.3)
    e2e.write_midi(path("m.mid"), seconds=2)
    for name in ("fifo.bmp", "fifo.wav", "fifo.mid"):
        os.mkfifo(path(name))
    os.mkdir(path("folder.bmp"))
    os.symlink("/dev/zero", path("zero.bmp"))
    os.symlink("/dev/zero", path("zero.wav"))
    shutil.copy(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "fuzz",
                             "regressions", "wmf", "text-glyphs-stretched-past-the-font-engine"),
                path("stretched.wmf"))

    def table(ordinary, count, hostile):
        return [path(hostile.get(n, ordinary)) if n in hostile or n % 2 == 0 else ""
                for n in range(count)]
    pictures = table("p.bmp", 43, {0: "fifo.bmp", 1: "folder.bmp", 2: "zero.bmp",
                                   10: "stretched.wmf"})
    sounds = table("s.wav", 42, {13: "fifo.wav", 16: "zero.wav"})
    e2e.write_data_file(path("keys.pik"), pictures, sounds, table("m.mid", 22, {10: "fifo.mid"}))
    with open(path("PIKORO.ini"), "w", encoding="utf-8") as f:
        f.write("[SoundFlag]\r\nSoundFlag=-1\r\n[Pikoro]\r\nStartupData=.\\keys.pik\r\n"
                "SoundMessages=1\r\n")


def soak(args, d, run, recent):
    """The problem met, if any."""
    main = e2e.wait_for(lambda: e2e.main_window(d), timeout=60)
    if main is None:
        return "no main window"
    time.sleep(1.0)
    close_others(d)
    main.set_input_focus(X.RevertToPointerRoot, X.CurrentTime)
    rss_start, started, shot = vm_rss_kib(run.pid), time.monotonic(), None
    rng = random.Random(args.seed)
    for n in range(1, args.events + 1):
        recent[:] = (recent + [random_event(rng, d)])[-10:]
        time.sleep(args.delay)
        if n % 10 == 0 and e2e.dialogs(d):
            stuck = close_others(d)
            if stuck:
                return "event %d: window(s) %s would not close" % (n, stuck)
            main.set_input_focus(X.RevertToPointerRoot, X.CurrentTime)
        if n % args.check_every == 0 or n == args.events:
            if run.poll() is not None:
                return "event %d: the program ended (exit %s)" % (n, run.returncode)
            shot = responsive(d, main, shot)
            if shot is None:
                return "event %d: the window does not answer or draws nothing for letters" % n
    time.sleep(2.0)  # let the last actions finish
    close_others(d)
    print("seed %d, %d events in %.0f s; VmRSS start %d KiB, growth %+d KiB" % (
        args.seed, args.events, time.monotonic() - started, rss_start,
        vm_rss_kib(run.pid) - rss_start), flush=True)
    return None if e2e.sigterm_ends(run, "after the events") else "SIGTERM at the end"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split(",")[0])
    parser.add_argument("program")
    parser.add_argument("--events", type=int, default=1000)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--check-every", type=int, default=100)
    parser.add_argument("--delay", type=float, default=0.005, help="seconds between events")
    args = parser.parse_args()
    work, program, config, runtime = e2e.prepare_folders(args.program, "pikoro-soak-")
    write_assets(os.path.dirname(program))
    xvfb, disp = e2e.start_xvfb()
    log, recent, problem = os.path.join(work, "pikoro.log"), [], "stopped by an error"
    run = e2e.start(program, e2e.x_env(disp, config, runtime), log)
    try:
        problem = soak(args, display.Display(disp), run, recent)
        e2e.check(not problem, problem or "%d events: the program ran on" % args.events)
    finally:
        if problem:
            print("last events:", "; ".join(recent))
            with open(log, errors="replace") as f:
                print("program output (tail):\n" + "".join(f.readlines()[-40:]))
        e2e.close_work(work, run, xvfb)
    e2e.finish()


if __name__ == "__main__":
    main()
