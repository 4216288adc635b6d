#!/usr/bin/python3
"""Soak run: the real program under Xvfb takes a long random stream of keys and clicks.

Usage: soak.py [--events N] [--seed S] [--check-every K] PROGRAM

Keys (letters, digits, F1-F12, arrows, Escape, Tab, Return, space) and left/right clicks on the
keyboard and the background, some with Shift or Ctrl held, never the exit gesture (Ctrl + right
click). Some keys are given hostile files (see write_hostile_files): pipes, a device, a folder,
a picture bomb, a metafile that once crashed the program, a FLAC file claiming ten minutes
named .wav. Windows that open are closed again (Escape, then a close request). Every K events the
program must be alive, its window must answer, and the screen must have changed since the last
check or change when letters are pressed. At the end SIGTERM must end it with exit code 0 (a
sanitized build reports errors and leaks that way); the growth of its VmRSS is printed.
"""
import argparse
import itertools
import os
import random
import shutil
import signal
import struct
import subprocess
import sys
import time
import zlib

from Xlib import X, XK, display
from Xlib.ext import xtest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import e2e_common as e2e  # noqa: E402

KEYBOARD = (300, 750, 1620, 1000)  # the on-screen keyboard at 1920 x 1080
KEYS = ([chr(c) for c in range(ord("a"), ord("z") + 1)] + [str(d) for d in range(10)] +
        ["F%d" % n for n in range(1, 13)] +
        ["Left", "Right", "Up", "Down", "Escape", "Tab", "Return", "space"])


def vm_rss_kib(pid):
    with open("/proc/%d/status" % pid) as f:
        return next((int(line.split()[1]) for line in f if line.startswith("VmRSS:")), 0)


class Driver:
    def __init__(self, d, main):
        self.d, self.main, self.last_shot = d, main, None
        self.keycodes = {name: d.keysym_to_keycode(XK.string_to_keysym(name)) for name in
                         KEYS + ["Shift_L", "Control_L"]}

    def send(self, events, hold=None):
        """Fake input events (type, detail or position), with the key `hold` held around them."""
        held = [(X.KeyPress, self.keycodes[hold])] if hold else []
        for kind, arg in held + events + [(X.KeyRelease, code) for _, code in held]:
            if kind == X.MotionNotify:
                xtest.fake_input(self.d, kind, x=arg[0], y=arg[1])
            else:
                xtest.fake_input(self.d, kind, arg)
        self.d.sync()

    def key(self, name, hold=None):
        self.send([(X.KeyPress, self.keycodes[name]), (X.KeyRelease, self.keycodes[name])], hold)

    def click(self, x, y, button=1, hold=None):
        self.send([(X.MotionNotify, (x, y)), (X.ButtonPress, button), (X.ButtonRelease, button)],
                  hold)

    def screen(self):
        return hash(self.d.screen().root.get_image(0, 0, *e2e.SCREEN, X.ZPixmap, 0xFFFFFFFF).data)

    def responsive(self, timeout=15.0):
        """The window answers a property query and the program still draws: when the screen is
        as at the last check (a piece may hold keys off a while), letters are pressed until it
        changes or timeout passes."""
        try:
            if e2e.window_name(self.d, self.main) != e2e.TITLE:
                return False
            shot = self.screen()
            end = time.monotonic() + timeout
            for letter in itertools.cycle("qwerty"):
                if shot != self.last_shot:
                    self.last_shot = shot
                    return True
                if time.monotonic() > end:
                    return False
                self.close_others()
                self.focus_main()
                self.key(letter)
                time.sleep(0.5)
                shot = self.screen()
        except Exception:
            return False

    def others(self):
        result = []
        for w in e2e.top_windows(self.d):
            try:
                geo = w.get_geometry()
                if w.id != self.main.id and geo.width > 1 and geo.height > 1:
                    result.append(w)
            except Exception:
                pass
        return result

    def close_others(self):
        """Closes every window besides the main one; returns the names of those that stay."""
        for attempt in range(20):
            others = self.others()
            if not others:
                return []
            for w in others:
                try:
                    if attempt < 10:
                        w.set_input_focus(X.RevertToPointerRoot, X.CurrentTime)
                        self.key("Escape")
                    else:
                        e2e.send_close_request(self.d, w)
                except Exception:
                    pass
            time.sleep(0.2)
        return [e2e.window_name(self.d, w) for w in self.others()]

    def focus_main(self):
        self.main.set_input_focus(X.RevertToPointerRoot, X.CurrentTime)
        self.d.sync()


def random_event(rng, driver):
    """Sends one random event; returns a short description."""
    roll = rng.random()
    if roll < 0.55:
        name, hold = rng.choice(KEYS), rng.choice([None] * 8 + ["Shift_L", "Control_L"])
        driver.key(name, hold)
        return "key %s%s" % (hold + "+" if hold else "", name)
    on_keys = roll < 0.85
    if on_keys:
        x, y = rng.randrange(KEYBOARD[0], KEYBOARD[2]), rng.randrange(KEYBOARD[1], KEYBOARD[3])
    else:
        x, y = rng.randrange(0, e2e.SCREEN[0]), rng.randrange(0, KEYBOARD[1] - 20)
    button = 1 if rng.random() < 0.8 else 3
    hold = rng.choice([None] * 12 + ["Shift_L", "Control_L"])
    if button == 3 and hold == "Control_L":
        hold = None  # Ctrl + right click is the exit gesture
    driver.click(x, y, button, hold)
    return "click %d %s%s at %d,%d" % (button, hold + "+" if hold else "",
                                       "key" if on_keys else "background", x, y)


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def write_hostile_files(folder):
    """Files that are not what their names say; returns {slot: path} for pictures (digit n as
    "dn", letter slot n as "n"), sounds ("sn", "sdn") and pieces ("mn")."""
    os.makedirs(folder)
    here = os.path.dirname(os.path.abspath(__file__))
    path = lambda name: os.path.join(folder, name)  # noqa: E731
    os.mkfifo(path("fifo.bmp"))
    os.mkdir(path("folder.bmp"))
    os.symlink("/dev/zero", path("zero.bmp"))
    shutil.copy(os.path.join(here, "..", "..", "fuzz", "regressions", "wmf",
                             "text-glyphs-stretched-past-the-font-engine"), path("stretched.wmf"))
    with open(path("bomb.png"), "wb") as f:  # 60000 x 60000 pixels claimed
        f.write(b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", struct.pack(">IIBBBBB", 60000, 60000, 8, 2,
                                                                      0, 0, 0)) +
                png_chunk(b"IDAT", zlib.compress(b"\0" * 4096)) + png_chunk(b"IEND", b""))
    info = (96000 << 44) | (7 << 41) | (15 << 36) | 599 * 96000  # 8 channels, 96 kHz, 599 s
    with open(path("flac.wav"), "wb") as f:
        f.write(b"fLaC\x80\0\0\x22" + struct.pack(">HH", 4096, 4096) + b"\0" * 6 +
                struct.pack(">Q", info) + b"\0" * 16)
    os.mkfifo(path("fifo.wav"))
    with open(path("broken.wav"), "wb") as f:
        f.write(b"RIFF\x24\0\0\0WAVEfmt \x10\0\0\0\x01\0")
    os.symlink("/dev/zero", path("zero.wav"))
    os.mkfifo(path("fifo.mid"))
    with open(path("garbage.mid"), "wb") as f:
        f.write(b"MThd\0\0\0\x06\0\x01\xff\xff\0\x60MTrk\x7f\xff\xff\xff")
    return {"d0": path("fifo.bmp"), "d1": path("folder.bmp"), "d2": path("zero.bmp"),
            "0": path("stretched.wmf"), "1": path("bomb.png"), "s2": path("flac.wav"),
            "s3": path("fifo.wav"), "s4": path("broken.wav"), "s6": path("zero.wav"),
            "m10": path("fifo.mid"), "m11": path("garbage.mid")}


def write_assets(app_folder):
    """Pictures, sounds and MIDI pieces for the keys, so events do real work, some of them
    hostile; a start-up data file assigns them."""
    e2e.write_bmp(os.path.join(app_folder, "p.bmp"), 200, 150, (0, 120, 255))
    e2e.write_wave(os.path.join(app_folder, "s.wav"), seconds=0.3)
    e2e.write_midi(os.path.join(app_folder, "m.mid"), seconds=2)
    hostile = write_hostile_files(os.path.join(app_folder, "hostile"))
    ordinary = {"p": os.path.join(app_folder, "p.bmp"), "s": os.path.join(app_folder, "s.wav"),
                "m": os.path.join(app_folder, "m.mid")}
    pick = lambda key, kind, n: hostile.get(key, ordinary[kind] if n % 2 == 0 else "")  # noqa
    lines = ["## ピコロVersion 4データファイル", "2024/04/01", "ピクチャーデータ"]
    lines += [pick("d%d" % n, "p", n) for n in range(10)] + [pick(str(n), "p", n) for n in range(33)]
    lines += ["サウンドデータ"] + [pick("sd%d" % n, "s", n) for n in range(10)]
    lines += [pick("s%d" % n, "s", n) for n in range(32)]
    lines += ["MIDIデータ"] + [pick("m%d" % n, "m", n) for n in range(22)] + ["PIKORO_DATA_FILE"]
    with open(os.path.join(app_folder, "keys.pik"), "w", encoding="utf-8") as f:
        f.write("\r\n".join(lines) + "\r\n")
    settings = ["[SoundFlag]", "SoundFlag=-1", "[Pikoro]", "StartupData=.\\keys.pik",
                "SoundMessages=1"]
    with open(os.path.join(app_folder, "PIKORO.ini"), "w", encoding="utf-8") as f:
        f.write("\r\n".join(settings) + "\r\n")


def soak(args, d, run, problems, recent):
    started = time.monotonic()
    main_window = e2e.wait_for(lambda: e2e.main_window(d), timeout=60)
    if main_window is None:
        return problems.append("no main window")
    driver = Driver(d, main_window)
    time.sleep(1.0)
    driver.close_others()
    driver.focus_main()
    rss_start = rss_peak = vm_rss_kib(run.pid)
    dialogs = 0
    print("seed %d, %d events; VmRSS at start %d KiB" % (args.seed, args.events, rss_start),
          flush=True)
    rng = random.Random(args.seed)
    for n in range(1, args.events + 1):
        recent[:] = (recent + [random_event(rng, driver)])[-10:]
        time.sleep(args.delay)
        if n % 10 == 0 and driver.others():
            dialogs += 1
            stuck = driver.close_others()
            if stuck:
                return problems.append("event %d: window(s) %s would not close" % (n, stuck))
            driver.focus_main()
        if n % args.check_every == 0 or n == args.events:
            if run.poll() is not None:
                return problems.append("event %d: the program ended (exit %s)" % (n, run.returncode))
            if not driver.responsive():
                return problems.append("event %d: the window does not answer or the program "
                                       "draws nothing for letters pressed during 15 s" % n)
            rss_peak = max(rss_peak, vm_rss_kib(run.pid))
            if n % (args.check_every * 10) == 0:
                print("  %6d events, VmRSS %d KiB" % (n, vm_rss_kib(run.pid)), flush=True)
    time.sleep(2.0)  # let the last actions finish
    driver.close_others()
    rss_end = vm_rss_kib(run.pid)
    print("VmRSS start %d KiB, end %d KiB, growth %+d KiB, peak %d KiB; windows closed %d times; "
          "%.0f s" % (rss_start, rss_end, rss_end - rss_start, rss_peak, dialogs,
                      time.monotonic() - started), flush=True)
    run.send_signal(signal.SIGTERM)
    code = e2e.exit_code(run, 30)
    if code != 0:
        problems.append("SIGTERM at the end: exit code %s" % code)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("program")
    parser.add_argument("--events", type=int, default=1000)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--check-every", type=int, default=100)
    parser.add_argument("--delay", type=float, default=0.005, help="seconds between events")
    args = parser.parse_args()
    work, program, config, runtime = e2e.prepare_folders(args.program, "pikoro-soak-")
    write_assets(os.path.dirname(program))
    xvfb, disp = e2e.start_xvfb()
    log_path = os.path.join(work, "pikoro.log")
    run = None
    problems, recent = [], []
    try:
        run = subprocess.Popen([program], env=e2e.x_env(disp, config, runtime),
                               stdout=subprocess.DEVNULL, stderr=open(log_path, "w"))
        soak(args, display.Display(disp), run, problems, recent)
    finally:
        if run and run.poll() is None:
            run.kill()
        xvfb.terminate()
        xvfb.wait()
        for problem in problems:
            print("FAIL", problem)
        if problems:
            print("last events:", "; ".join(recent))
            with open(log_path, errors="replace") as f:
                print("program output (tail):\n" + "".join(f.readlines()[-40:]))
            print("work folder kept:", work)
        else:
            shutil.rmtree(work, ignore_errors=True)
    print("soak %s" % ("failed" if problems else "passed"))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
