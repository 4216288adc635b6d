#!/usr/bin/python3
"""The real program under Xvfb on two monitors from a throw-away application folder: the opening
seen and heard, a calm picture on the other monitor that the pointer cannot reach, a letter
stopping the piece, a second copy, SIGTERM. The first start and the exit are gate_e2e.py's."""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e_common import (SCREEN, audio_peak, check, close_work, colour_share, dialogs,  # noqa: E402
                        finish, main_window, prepare_folders, press, set_monitor, shows,
                        sigterm_ends, start, start_xvfb, wait_for, write_bmp, write_data_file,
                        write_midi, x_env, xdo)
from Xlib import display  # noqa: E402

SKY = (255, 244, 214)  # the top of the play screen's sky


def main():
    work, program, config, runtime = prepare_folders(sys.argv[1], "pikoro-e2e-")
    app_folder = os.path.dirname(program)
    path = lambda name: os.path.join(app_folder, name)  # noqa: E731
    # The prepared data file the start opens: a red opening picture and a piece.
    write_bmp(path("open.bmp"), 64, 48, (255, 0, 0))
    write_midi(path("tune.mid"))
    write_data_file(path("default.pik"), [""] * 42 + [path("open.bmp")],
                    pieces=[path("tune.mid")])
    with open(path("PIKORO.ini"), "w", encoding="utf-8") as f:
        f.write("[SoundFlag]\r\nSoundFlag=-1\r\n[OPENFlag]\r\nOPENFlag=-1\r\n"
                "[Pikoro]\r\nStartupData=./default.pik\r\n")
    audio, log = os.path.join(work, "audio.raw"), os.path.join(work, "pikoro.log")
    xvfb, disp = start_xvfb((2 * SCREEN[0], SCREEN[1]))
    env = x_env(disp, config, runtime, SDL_AUDIODRIVER="disk", SDL_DISKAUDIOFILE=audio)
    first = second = None
    try:
        d = display.Display(disp)  # kept open: the monitors go with the last client
        set_monitor(d, "LEFT", 0, 0, *SCREEN, primary=True)
        set_monitor(d, "RIGHT", SCREEN[0], 0, *SCREEN)
        first = start(program, env, log)
        w = wait_for(lambda: main_window(d))
        if not check(w is not None, "main window titled ピコロ covers the first monitor"):
            return
        check(shows(d, (255, 0, 0), 0.5, 20), "opening picture fills the picture area")
        check(bool(wait_for(lambda: audio_peak(audio) > 0.01, 30)), "the opening piece is heard")
        check(bool(wait_for(lambda: colour_share(d, SCREEN[0], 0, SCREEN[0], 40, SKY) > 0.8, 10)),
              "a calm picture covers the other monitor")
        xdo(env, "mousemove", SCREEN[0] + 300, 300)
        x = d.screen().root.query_pointer().root_x
        check(x < SCREEN[0], "the pointer stays on the play screen (x %d)" % x)
        xdo(env, "windowfocus", "--sync", w.id)
        press(env, "a")  # any character stops the piece
        time.sleep(1.0)
        quiet_from = os.path.getsize(audio)
        time.sleep(1.0)
        peak = audio_peak(audio, quiet_from)
        check(peak < 0.01, "a letter key stops the piece (peak %.3f)" % peak)

        second = start(program, env, log)
        check(bool(wait_for(lambda: second.poll() is None and dialogs(d), timeout=30)),
              "a second copy shows its message")

        def answered():  # Return in each window of the second copy until it ends
            for win, *_ in dialogs(d):
                xdo(env, "windowfocus", win.id, "key", "Return")
            return second.poll() is not None
        check(bool(wait_for(answered, timeout=15, step=0.5)) and first.poll() is None,
              "the second copy ends, the first runs on")
        sigterm_ends(first, "playing")
    finally:
        close_work(work, first, second, xvfb)


if __name__ == "__main__":
    main()
    finish()
