#!/usr/bin/python3
"""The real program under Xvfb from a throw-away application folder: SIGTERM at the start-up
message a missing sound device brings; two monitors (a calm picture, the pointer kept, the screen
saver held off); the opening seen and heard, keys, the settings' OK, a refused close request, a
second copy, SIGTERM, and what the parent set up kept in the user's data file at the next start.
The first start and the exit gesture are gate_e2e.py's."""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e_common import (SCREEN, audio_peak, check, click_in, close_work, colour_share, dialogs,  # noqa: E402
                        finish, heard, main_window, named, prepare_folders, press,
                        send_close_request, set_monitor, shows, sigterm_ends, start,
                        start_session_bus, start_xvfb, wait_for, write_bmp, write_data_file,
                        write_midi, write_wave, x_env, xdo)
from PIL import Image  # noqa: E402
from Xlib import display  # noqa: E402

GREEN = (0, 200, 0)


def signal_during_startup_message(executable):
    work, program, config, runtime = prepare_folders(executable, "pikoro-e2e-signal-")
    xvfb, disp = start_xvfb()
    run = start(program, x_env(disp, config, runtime, SDL_AUDIODRIVER="no-such-driver"))
    try:
        d = display.Display(disp)
        check(bool(wait_for(lambda: len(dialogs(d)) >= 2)),
              "without a sound device a message opens beside the splash")
        sigterm_ends(run, "at the start-up message")
    finally:
        close_work(work, run, xvfb)


def two_monitors_run(executable):
    """The second monitor shows a calm picture, followed as it is unplugged and plugged in again;
    the pointer cannot reach it; the screen saver is held off while playing, let go at the end."""
    work, program, config, runtime = prepare_folders(executable, "pikoro-e2e-screens-")
    second = (SCREEN[0], 0, 1280, 1024)
    xvfb, disp = start_xvfb((SCREEN[0] + second[2], SCREEN[1]))
    bus, saver, address = start_session_bus()
    run = None
    try:
        d = display.Display(disp)
        set_monitor(d, "LEFT", 0, 0, *SCREEN, primary=True)
        set_monitor(d, "RIGHT", *second)
        env = x_env(disp, config, runtime, DBUS_SESSION_BUS_ADDRESS=address)
        run = start(program, env, os.path.join(work, "screens.log"))

        def calm_shown():  # the sky at the top of both monitors
            return all(colour_share(d, x, 0, width, 40, (255, 244, 214)) > 0.8
                       for x, width in ((0, SCREEN[0]), (second[0], second[2])))
        check(bool(wait_for(calm_shown)), "the play screen and a calm picture show on two monitors")
        xdo(env, "mousemove", second[0] + 300, 300)
        x = d.screen().root.query_pointer().root_x
        check(x < SCREEN[0], "the pointer stays on the play screen (x %d)" % x)
        d.screen().root.xrandr_delete_monitor(d.intern_atom("RIGHT"))
        d.sync()
        check(bool(wait_for(lambda: not [w for w in dialogs(d) if w[4:] == second[2:]], 10)),
              "the calm picture closes with its monitor")
        set_monitor(d, "RIGHT", *second)
        check(bool(wait_for(calm_shown, timeout=10)), "a monitor plugged in gets a calm picture")
        sigterm_ends(run, "two monitors")
        saver.terminate()
        calls = saver.communicate()[0].split()
        app = "io.github.pikoro.Pikoro"
        check(calls == ["Inhibit", app, "SessionInhibit", app, "8", "UnInhibit", "7",
                        "SessionUninhibit", "9"],
              "the screen saver is held off while playing and let go at the end: %s" % calls)
    finally:
        close_work(work, run, saver, bus, xvfb)


def settings_ok(d, env, assignments):
    """Shift + click opens the settings "設定"; each (tab, path) is typed into that tab's file box
    with A's row selected; OK closes them."""
    xdo(env, "mousemove", 60, 60, "keydown", "shift", "click", 1, "keyup", "shift")
    box = wait_for(lambda: next(iter(named(d, "設定")), None), timeout=10)
    if box is None:
        return False
    for tab, path in assignments:
        click_in(d, box, tab, 0.079)
        click_in(d, box, 0.2, 0.3)  # a row of the grid, then to the top and down to A
        press(env, "ctrl+Home", *["Down"] * 10)
        click_in(d, box, 0.718, 0.217)
        press(env, "ctrl+a")
        xdo(env, "type", "--delay", 5, path)
    click_in(d, box, 0.842, 0.960)  # OK
    return bool(wait_for(lambda: not named(d, "設定"), timeout=10))


def main():
    signal_during_startup_message(sys.argv[1])
    two_monitors_run(sys.argv[1])
    work, program, config, runtime = prepare_folders(sys.argv[1], "pikoro-e2e-")
    app_folder = os.path.dirname(program)
    path = lambda name: os.path.join(app_folder, name)  # noqa: E731
    # The prepared data file the start opens: a red opening picture and a piece; the parent's
    # keys are kept in a data file of their own (KeepSetupInUserFile).
    write_bmp(path("open.bmp"), 64, 48, (255, 0, 0))
    write_midi(path("tune.mid"))
    write_wave(path("zero.wav"))
    Image.new("RGB", (1600, 1200), GREEN).save(path("photo.jpg"), quality=90)  # as phones take it
    write_data_file(path("default.pik"), [""] * 42 + [path("open.bmp")],
                    pieces=[path("tune.mid")])
    prepared_bytes = open(path("default.pik"), "rb").read()
    with open(path("PIKORO.ini"), "w", encoding="utf-8") as f:
        f.write("[SoundFlag]\r\nSoundFlag=-1\r\n[OPENFlag]\r\nOPENFlag=-1\r\n"
                "[Pikoro]\r\nStartupData=./default.pik\r\nKeepSetupInUserFile=-1\r\n")
    audio, log = os.path.join(work, "audio.raw"), os.path.join(work, "pikoro.log")
    xvfb, disp = start_xvfb()
    env = x_env(disp, config, runtime, SDL_AUDIODRIVER="disk", SDL_DISKAUDIOFILE=audio)
    first = second = again = None
    try:
        d = display.Display(disp)
        first = start(program, env, log)
        w = wait_for(lambda: main_window(d))
        if not check(w is not None, "main window titled ピコロ covers the screen"):
            return
        check(shows(d, (255, 0, 0), 0.5, 20), "opening picture fills the picture area")
        check(heard(audio, timeout=30), "the opening piece is heard")
        xdo(env, "windowfocus", "--sync", w.id)
        press(env, "a")  # any character stops the piece
        time.sleep(1.0)
        quiet_from = os.path.getsize(audio)
        time.sleep(1.0)
        peak = audio_peak(audio, quiet_from)
        check(peak < 0.01, "a letter key stops the piece (peak %.3f)" % peak)
        # The adult gives A a photo and a sound in the settings.
        check(settings_ok(d, env, [(0.083, path("photo.jpg")), (0.26, path("zero.wav"))]),
              "OK closes the settings")

        send_close_request(d, w)
        time.sleep(1.0)
        check(first.poll() is None and main_window(d) is not None,
              "a close request is refused: the program runs on, its window shown")
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

        # What the parent set up is there at the next start, without a further step.
        again = start(program, env, log)
        w = wait_for(lambda: main_window(d))
        if w is not None:
            xdo(env, "windowfocus", "--sync", w.id)
            time.sleep(1.5)
            press(env, "a")
        check(shows(d, GREEN), "after a restart A shows the photo set up before")
        kept = os.path.join(config, "data", "pikoro", "keys.pik")
        lines = open(kept, encoding="utf-8", newline="").read().split("\r\n") \
            if os.path.exists(kept) else []
        check(lines[13:14] == [path("photo.jpg")] and lines[57:58] == [path("zero.wav")],
              "the user's data file keeps A's photo and sound")
        check(open(path("default.pik"), "rb").read() == prepared_bytes,
              "the prepared default.pik is unchanged byte for byte")
    finally:
        close_work(work, first, second, again, xvfb)


if __name__ == "__main__":
    main()
    finish()
