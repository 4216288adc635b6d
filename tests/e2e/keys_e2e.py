#!/usr/bin/python3
"""A child's keys, the sound captured by SDL's disk driver: a key 0 ... 700 ms after the play screen
maps shows its picture and raises no box; with AnswerEveryKey quick keys each sound at once."""
import array
import os
import struct
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e_common import (PICTURE, TITLE, check, close_work, colour_share, finish,  # noqa: E402
                        dialogs, main_window, prepare_folders, send, start, start_xvfb, wait_for,
                        write_bmp, write_data_file, write_midi, write_wave, x_env, xdo)
from Xlib import display  # noqa: E402
GREEN, BLUE, RED = (0, 200, 0), (0, 0, 255), (255, 0, 0)
BLOCK = 120  # frames per level block: 2.5 ms


def write_app(app_folder, every_key):
    """The opening (red picture, a piece), A green, B blue, return magenta, every letter the blip,
    every other MIDI key one short note."""
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

    def time_of(self, offset):  # when the file first held the byte (within ~10 ms)
        return next((t for t, size in self.marks if size > offset), None)

    def onsets(self, since, until):
        """Times (to ~20 ms) of the sounds starting between two times: a block louder than 0.03
        and thrice any 20-40 ms before it (an attack takes a few ms); starts 60 ms apart are one."""
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


press_now = send  # one key alone through XTEST


def press_run(d, count):  # A and B by turns, 0.25 s apart: when each went down
    times, first = [], time.monotonic() + 0.05
    for n in range(count):
        time.sleep(max(0.0, first + 0.25 * n - time.monotonic()))
        times.append(time.monotonic())
        press_now(d, "ab"[n % 2])
    return times


def boxes(d):  # the program's messages carry its title
    return [w for w, title, *_ in dialogs(d) if title == TITLE]


def stop(run):
    run.kill()
    run.wait()


def main():
    work = tempfile.mkdtemp(prefix="pikoro-e2e-keys-")
    _, program, config, runtime = prepare_folders(sys.argv[1], work + "/app-")
    write_app(os.path.dirname(program), every_key=True)
    xvfb, disp = start_xvfb()
    run = None
    try:
        d = display.Display(disp)
        xdo(x_env(disp, work, work), "mousemove", 10, 10)  # keys go to the window, not the splash
        for delay in range(0, 800, 100):
            audio = os.path.join(work, "audio-%d.raw" % delay)
            run = start(program, x_env(disp, config, runtime, SDL_AUDIODRIVER="disk",
                                       SDL_DISKAUDIOFILE=audio))
            mapped = wait_for(lambda: main_window(d) is not None and time.monotonic(), step=0.002)
            mapped = mapped or time.monotonic()
            time.sleep(max(0.0, mapped + delay / 1000 - time.monotonic()))
            press_now(d, "a")
            time.sleep(max(0.0, mapped + 1.4 - time.monotonic()))
            green = colour_share(d, *PICTURE, GREEN)
            check(green > 0.3 and not boxes(d) and run.poll() is None,
                  "key at +%d ms: its picture (%.2f) and no box" % (delay, green))
            if delay < 700:
                stop(run)
        time.sleep(1.0)  # the opening piece has started: a key stops it
        clock = AudioClock(audio)
        press_now(d, "a")
        time.sleep(1.5)
        times = press_run(d, 16)
        found = clock.onsets(times[0] - 0.05, times[-1] + 0.8)
        clock.stop()
        late = [min((round((t - key) * 1000) for t in found if t >= key - 0.03), default=None)
                for key in times[1:]]
        check(len(found) == 15 and all(ms is not None and ms <= 100 for ms in late),
              "16 keys 0.25 s apart: %d onsets, keys 2-16 sound after (ms) %s; onsets at %s" %
              (len(found), late, [round((t - times[0]) * 1000) for t in found]))
        check(run.poll() is None, "the program runs on")
    finally:
        close_work(work, run, xvfb)


if __name__ == "__main__":
    main()
    finish()
