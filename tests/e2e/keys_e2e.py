#!/usr/bin/python3
"""A child's keys with the sound captured by SDL's disk driver: a key 0 ... 700 ms after the play
screen maps shows its picture and raises no box; without AnswerEveryKey quick keys sound once,
after the last; with it a key alone sounds after 500 ms, quick keys each at once, and every
non-letter key changes the picture or makes a sound."""
import array
import os
import struct
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e_common import (PICTURE, TITLE, check, close_work, colour_share, finish,  # noqa: E402
                        main_window, named, prepare_folders, region_pixels, send, start, start_xvfb,
                        wait_for, write_bmp, write_data_file, write_midi, write_wave, x_env, xdo)
from Xlib import XK, display  # noqa: E402
GREEN, BLUE, RED = (0, 200, 0), (0, 0, 255), (255, 0, 0)
BLOCK = 120  # frames per level block: 2.5 ms
# Keys without a letter: each must change the picture or make a sound.
OTHER_KEYS = ["Return", "Escape", "Tab", "BackSpace", "Delete", "Insert", "Home", "KP_Enter",
              "End", "Prior", "Next", "Caps_Lock", "Shift_L", "Shift_R", "Control_L", "Control_R",
              "Alt_L", "Super_L", "Menu", "Print", "Pause", "Scroll_Lock", "KP_Add",
              "KP_Subtract", "KP_Multiply", "KP_Divide", "F11", "F12", "semicolon", "colon",
              "comma", "period", "slash", "minus", "asciicircum", "at", "bracketleft",
              "bracketright", "backslash", "underscore", "Henkan_Mode", "Muhenkan", "Caps_Lock"]


def write_app(app_folder, every_key):
    """PIKORO.ini and a data file: the opening (red picture, a piece), A green, B blue, return
    magenta, every letter the blip, every other MIDI key one short note."""
    write_bmp(os.path.join(app_folder, "open.bmp"), 64, 48, RED)
    write_midi(os.path.join(app_folder, "tune.mid"))
    with open(os.path.join(app_folder, "note.mid"), "wb") as f:  # one short piano note
        events = b"\x00\xc0\x00\x00\x90\x48\x7f\x60\x80\x48\x00\x00\xff\x2f\x00"
        f.write(b"MThd" + struct.pack(">IHHH", 6, 0, 1, 480) + b"MTrk" +
                struct.pack(">I", len(events)) + events)
    write_wave(os.path.join(app_folder, "blip.wav"), seconds=0.1)
    for name, rgb in (("a", GREEN), ("b", BLUE), ("ret", (255, 0, 255))):
        write_bmp(os.path.join(app_folder, name + ".bmp"), 40, 40, rgb)
    pictures = [""] * 43  # digits, then A-Z, space, return, ...
    pictures[10], pictures[11], pictures[37] = (app_folder + "/" + name
                                                for name in ("a.bmp", "b.bmp", "ret.bmp"))
    write_data_file(os.path.join(app_folder, "keys.pik"), pictures,
                    [""] * 10 + [app_folder + "/blip.wav"] * 32,
                    [app_folder + "/tune.mid"] + [app_folder + "/note.mid"] * 21)
    with open(os.path.join(app_folder, "PIKORO.ini"), "w", encoding="utf-8") as f:
        f.write("[SoundFlag]\r\nSoundFlag=-1\r\n[OPENFlag]\r\nOPENFlag=-1\r\n"
                "[BMPFile]\r\nBMPOp 32=.\\open.bmp\r\n[MIDIFile]\r\nMIDIOp 0=.\\tune.mid\r\n"
                "[Pikoro]\r\nStartupData=./keys.pik\r\n" +
                ("AnswerEveryKey=-1\r\n" if every_key else ""))


class AudioClock:
    """Follows the disk driver's file as it grows, so a place in it has a wall-clock time."""

    def __init__(self, path):
        self.path, self.marks, self.running = path, [], True
        self.thread = threading.Thread(target=self.follow, daemon=True)
        self.thread.start()

    def follow(self):
        last = -1
        while self.running:
            size = os.path.getsize(self.path) if os.path.exists(self.path) else 0
            if size != last:
                self.marks.append((time.monotonic(), size))
                last = size
            time.sleep(0.0005)

    def stop(self):
        self.running = False
        self.thread.join()

    def time_of(self, offset):
        """When the file first held the byte at offset (the chunk's rendering, within ~10 ms)."""
        return next((t for t, size in self.marks if size > offset), None)

    def onsets(self, since, until):
        """Wall-clock times of the sounds that start between two times (known to ~20 ms, the
        steps the file grows in): a block louder than 0.03 and three times as loud as any in
        the 20 ms before the 20 ms before it (an attack may take a few milliseconds); starts
        less than 60 ms apart are one."""
        start = next((size for t, size in self.marks if t >= since), None)
        if start is None:
            return []
        start -= start % 8
        wait_for(lambda: self.marks[-1][0] >= until, timeout=5, step=0.02)
        with open(self.path, "rb") as f:
            f.seek(start)
            data = f.read()
        samples = array.array("f")
        samples.frombytes(data[: len(data) // 8 * 8])
        levels = [max(abs(x) for x in samples[i:i + 2 * BLOCK])
                  for i in range(0, len(samples) - 2 * BLOCK, 2 * BLOCK)]
        found, last = [], -100
        for n in range(16, len(levels)):
            if levels[n] > 0.03 and max(levels[n - 16:n - 8]) * 3 < levels[n] and n - last > 24:
                last = n
                when = self.time_of(start + n * BLOCK * 8)
                if when is not None and when <= until:
                    found.append(when)
        return found


def press_now(d, name, env=None):
    """One key alone through XTest where the keyboard map has it unshifted (xdotool would add
    Shift to Shift_R), else through xdotool, which maps it or adds the Shift it needs."""
    keysym = XK.string_to_keysym(name)
    code = d.keysym_to_keycode(keysym)
    if env and not (code and d.keycode_to_keysym(code, 0) == keysym):
        xdo(env, "key", name)
    else:
        send(d, name)


def press_run(d, count):
    """A and B by turns, 0.25 s apart; returns when each went down."""
    times, first = [], time.monotonic() + 0.05
    for n in range(count):
        time.sleep(max(0.0, first + 0.25 * n - time.monotonic()))
        times.append(time.monotonic())
        press_now(d, "ab"[n % 2])
    return times


def boxes(d):
    """Windows of the program other than the play screen (its messages carry its title)."""
    return [w for w in named(d, TITLE) if w != main_window(d)]


def start_mapped(program, env, d):
    """Starts the program; returns it and the time its play screen mapped."""
    run = start(program, env)
    return run, wait_for(lambda: main_window(d) is not None and time.monotonic(), step=0.002)


def stop(run):
    run.kill()
    run.wait()


def app(executable, work, every_key):
    """The program with write_app's files; returns it and its environment but for the display."""
    _, program, config, runtime = prepare_folders(executable, work + "/app-")
    write_app(os.path.dirname(program), every_key)
    return program, lambda disp, audio: x_env(disp, config, runtime, SDL_AUDIODRIVER="disk",
                                              SDL_DISKAUDIOFILE=audio)


def keys_at_start(executable, disp, d, work):
    """Option off: a key 0 ... 700 ms after the play screen maps; the last run also mashes."""
    program, env_for = app(executable, work, every_key=False)
    for delay in range(0, 800, 100):
        audio = os.path.join(work, "audio-%d.raw" % delay)
        run, mapped = start_mapped(program, env_for(disp, audio), d)
        mapped = mapped or time.monotonic()
        time.sleep(max(0.0, mapped + delay / 1000 - time.monotonic()))
        press_now(d, "a")
        time.sleep(max(0.0, mapped + 1.4 - time.monotonic()))
        green = colour_share(d, *PICTURE, GREEN)
        check(green > 0.3 and not boxes(d) and run.poll() is None,
              "key at +%d ms: its picture (%.2f) and no box" % (delay, green))
        if delay == 700:
            clock = AudioClock(audio)
            time.sleep(0.3)
            times = press_run(d, 8)
            found = clock.onsets(times[0] - 0.05, times[-1] + 0.8)
            clock.stop()
            late = [round((t - times[-1]) * 1000) for t in found]
            check(len(found) == 1 and abs(late[0] - 500) <= 50,
                  "option off: 8 keys 0.25 s apart sound once, after the last (ms: %s)" % late)
        stop(run)


def every_key(executable, disp, d, work):
    program, env_for = app(executable, work, every_key=True)
    audio = os.path.join(work, "audio.raw")
    env = env_for(disp, audio)
    run, mapped = start_mapped(program, env, d)
    if not check(bool(mapped), "option on: the play screen maps"):
        stop(run)
        return
    time.sleep(1.5)  # the opening piece starts; the first key stops it
    clock = AudioClock(audio)
    press_now(d, "a")
    time.sleep(1.5)

    single = time.monotonic()
    press_now(d, "b")
    found = clock.onsets(single - 0.05, single + 0.9)
    late = [round((t - single) * 1000) for t in found]
    check(len(found) == 1 and abs(late[0] - 500) <= 30,
          "one key alone sounds 500 ms after it (ms: %s)" % late)

    time.sleep(1.0)
    times = press_run(d, 16)
    found = clock.onsets(times[0] - 0.05, times[-1] + 0.8)
    late = [min((round((t - key) * 1000) for t in found if t >= key - 0.03), default=None)
            for key in times[1:]]
    check(len(found) == 15 and all(ms is not None and ms <= 100 for ms in late),
          "16 keys 0.25 s apart: %d onsets, keys 2-16 sound after (ms) %s; onsets at %s" %
          (len(found), late, [round((t - times[0]) * 1000) for t in found]))

    time.sleep(1.0)
    silent = []
    for key in OTHER_KEYS:
        before = region_pixels(d, *PICTURE)
        pressed = time.monotonic()
        press_now(d, key, env)
        time.sleep(0.45)
        changed = lambda: region_pixels(d, *PICTURE) != before  # noqa: E731
        if changed() or clock.onsets(pressed - 0.06, pressed + 0.4):
            continue
        # A loaded machine can be late with both: a key is silent only after two more seconds.
        if not (wait_for(changed, timeout=1.5, step=0.05) or
                clock.onsets(pressed - 0.06, pressed + 2.0)):
            silent.append(key)
    clock.stop()
    check(not silent and not boxes(d),
          "each of %d other keys changes the picture or sounds (silent: %s)" %
          (len(OTHER_KEYS), silent))
    check(run.poll() is None, "the program runs on")
    stop(run)


def main():
    work = tempfile.mkdtemp(prefix="pikoro-e2e-keys-")
    xvfb, disp = start_xvfb()
    try:
        d = display.Display(disp)
        xdo(x_env(disp, work, work), "mousemove", 10, 10)  # keys go to the window, not the splash
        keys_at_start(sys.argv[1], disp, d, work)
        every_key(sys.argv[1], disp, d, work)
    finally:
        close_work(work, xvfb)


if __name__ == "__main__":
    main()
    finish()
