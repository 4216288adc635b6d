#!/usr/bin/python3
"""End-to-end run of the real PIKORO executable under Xvfb.

Starts the program from a temporary application folder with a temporary XDG config folder:
the opening, keys, the dance, the settings and what OK applies, photos from a folder each shown
upright, a refused close request, a second copy that ends after its message, SIGTERM; and SIGTERM
at the start-up message that a missing sound device brings. The first start and the exit gesture
are gate_e2e.py's.
"""
import os
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e_common import (PICTURE, SCREEN, close_work, audio_peak, check, colour_share,  # noqa: E402
                        dialogs, exit_code, finish, main_window, named, prepare_folders, press,
                        region_pixels, save_shot, send_close_request, set_monitor,
                        start_session_bus, start_xvfb, top_windows, wait_for, window_origin,
                        write_bmp, write_midi, write_wave, x_env, xdo)
from PIL import Image  # noqa: E402
from Xlib import display  # noqa: E402


def background_click(env, modifier=None, button=1):
    """A click at (60, 60), on the bare background, with a modifier key held."""
    held = ["keydown", modifier, "click", button, "keyup", modifier] if modifier else ["click", button]
    xdo(env, "mousemove", 60, 60, *held)


def named_window(d, title):
    return next(iter(named(d, title)), None)


def click_in(d, env, win, fx, fy):
    """A click at a place given as fractions of a window, which scales with the screen."""
    x, y, width, height = window_origin(d, win)
    xdo(env, "mousemove", int(x + fx * width), int(y + fy * height), "click", 1)
    time.sleep(0.3)


def settings_ok(d, env, assignments=(), row=0, photo_folder=None):
    """Shift + click opens the settings "設定"; each (tab, path) is typed into that tab's file box
    with the grid's row `row` selected (by keys: 10 is A); a photo folder's path is typed into the
    chooser of "写真フォルダから", whose preview is accepted; OK closes the window."""
    background_click(env, "shift")
    box = wait_for(lambda: named_window(d, "設定"), timeout=10)
    if box is None:
        return False
    if photo_folder:
        click_in(d, env, box, 0.751, 0.879)
        for title, typed in (("写真フォルダの選択", photo_folder), ("写真フォルダから", "")):
            dialog = wait_for(lambda: named_window(d, title), timeout=10)
            if dialog is None:
                return False
            save_shot(env, "photo-folder-%d.png" % bool(typed))
            xdo(env, "windowfocus", "--sync", dialog.id, "type", "--delay", 5, typed)
            press(env, "Return")
            wait_for(lambda: named_window(d, title) is None, timeout=10)
    for tab, path in assignments:
        click_in(d, env, box, tab, 0.079)
        if row:
            click_in(d, env, box, 0.2, 0.3)  # a row of the grid, then to the top and down
            press(env, "ctrl+Home", *["Down"] * row)
        click_in(d, env, box, 0.718, 0.217)
        press(env, "ctrl+a")
        xdo(env, "type", "--delay", 5, path)
    click_in(d, env, box, 0.842, 0.960)  # OK
    return bool(wait_for(lambda: named_window(d, "設定") is None, timeout=10))


def screenshot_colours(d, x, y, width, height):
    """Number of distinct colours in a region of the screen (sampled every 4th pixel)."""
    data = region_pixels(d, x, y, width, height)
    return len({data[i:i + 3] for i in range(0, len(data) - 4, 16)})


def two_monitors_run(executable):
    """Two monitors side by side and a session bus with a screen-saver service: the second
    monitor shows a calm picture, followed as it is taken away and plugged in again, the pointer
    cannot reach it, and the screen-saver services are asked to keep the screen on while playing
    and let go at the end."""
    work, program, config, runtime = prepare_folders(executable, "pikoro-e2e-screens-")
    second = (SCREEN[0], 0, 1280, 1024)
    xvfb, disp = start_xvfb((SCREEN[0] + second[2], SCREEN[1]))
    bus, saver, address = start_session_bus()
    env = x_env(disp, config, runtime, DBUS_SESSION_BUS_ADDRESS=address)
    run = None
    try:
        d = display.Display(disp)
        set_monitor(d, "LEFT", 0, 0, *SCREEN, primary=True)
        set_monitor(d, "RIGHT", *second)
        run = subprocess.Popen([program], env=env, stdout=subprocess.DEVNULL,
                               stderr=open(os.path.join(work, "screens.log"), "w"))

        def calm_shown():  # the sky at the top of both monitors
            return all(colour_share(d, x, 0, width, 40, (255, 244, 214)) > 0.8
                       for x, width in ((0, SCREEN[0]), (second[0], second[2])))

        def calm_windows():
            found = []
            for w in top_windows(d):
                try:
                    geo = w.get_geometry()
                except Exception:
                    continue
                if (geo.width, geo.height) == second[2:]:
                    found.append(w)
            return found
        check(bool(wait_for(calm_shown, timeout=20)),
              "the play screen and a calm picture show on the two monitors")
        save_shot(env, "two-monitors.png")
        xdo(env, "mousemove", second[0] + 300, 300)
        x = d.screen().root.query_pointer().root_x
        check(x < SCREEN[0], "the pointer stays on the play screen (x %d)" % x)
        d.screen().root.xrandr_delete_monitor(d.intern_atom("RIGHT"))
        d.sync()
        check(bool(wait_for(lambda: not calm_windows(), timeout=10)),
              "the calm picture closes with its monitor")
        set_monitor(d, "RIGHT", *second)
        check(bool(wait_for(calm_shown, timeout=10)), "a monitor plugged in gets a calm picture")
        run.send_signal(signal.SIGTERM)
        code = exit_code(run, 15)
        check(code == 0, "two monitors: SIGTERM ends the program (exit code %s)" % code)
        saver.terminate()
        calls = saver.communicate()[0].split()
        app = "io.github.pikoro.Pikoro"
        check(calls == ["Inhibit", app, "SessionInhibit", app, "8", "UnInhibit", "7",
                        "SessionUninhibit", "9"],
              "the screen saver is held off while playing and let go at the end: %s" % calls)
    finally:
        close_work(work, xvfb, [run, saver, bus])


def signal_during_startup_message(executable):
    """Without a sound device start-up waits at its message; SIGTERM must end the program."""
    work, program, config, _ = prepare_folders(executable, "pikoro-e2e-signal-")
    xvfb, disp = start_xvfb()
    env = dict(x_env(disp, config, work), SDL_AUDIODRIVER="no-such-driver")
    copy = subprocess.Popen([program], env=env, stderr=subprocess.DEVNULL)
    try:
        d = display.Display(disp)
        shown = wait_for(lambda: len(dialogs(d)) >= 2)
        check(bool(shown), "without a sound device a message opens beside the splash")
        copy.send_signal(signal.SIGTERM)
        code = exit_code(copy, 5)
        check(code == 0, "SIGTERM at the start-up message ends the program (exit %s)" % code)
    finally:
        copy.kill()
        close_work(work, xvfb)


def check_mascot_blinks(d, env):
    """The mascot beside the keyboard changes its frame within 2 s."""
    mascot = (1290, 750, 230, 210)  # the mascot's square at 1920 x 1080
    before = region_pixels(d, *mascot)
    changed = wait_for(lambda: region_pixels(d, *mascot) != before, timeout=2.0, step=0.1)
    check(bool(changed), "the mascot changes its frame within 2 s")


def check_dance(d, env, w, picture):
    """F10 with a piece assigned: the sprites dance in the picture area."""
    xdo(env, "windowfocus", "--sync", w.id)

    def stage_shown():
        # F10 waits while the key before it is still under way; once the piece plays it is
        # no longer taken, so pressing it again is harmless.
        press(env, "F10")
        return colour_share(d, *picture, (60, 30, 110)) > 0.1
    check(bool(wait_for(stage_shown, timeout=5, step=0.3)), "F10 shows the dance stage")
    time.sleep(1.0)
    first = region_pixels(d, *picture)
    save_shot(env, "dance-1.png")
    time.sleep(1.0)
    second = region_pixels(d, *picture)
    save_shot(env, "dance-2.png")
    check(first != second, "F10 makes the sprites move in the picture area")
    press(env, "Escape")
    time.sleep(0.5)
    still = region_pixels(d, *picture)
    time.sleep(0.5)
    check(region_pixels(d, *picture) == still, "a key stops the dance")


def check_miss_key(d, env, picture):
    """A click on the unassigned ";" key shows the miss picture: red はずれ on cream."""
    xdo(env, "mousemove", 1027, 884, "click", 1)
    shown = wait_for(lambda: colour_share(d, *picture, (255, 238, 210)) > 0.3 and
                     colour_share(d, *picture, (235, 70, 90)) > 0.01, timeout=5)
    save_shot(env, "miss-key.png")
    check(bool(shown), "an unassigned key shows the miss picture")


# Named photos with their orientation tags and the colour of their lower half.
NAMED_PHOTOS = {"Anna": (1, (0, 0, 255)), "Bob": (3, (0, 160, 0)), "Chris": (6, (255, 255, 0)),
                "Dan": (8, (0, 255, 255)), "ばあば": (6, (0, 0, 0))}


def write_photos(folder):
    """40 photos taken with red on top, some stored turned as their orientation tag says."""
    os.makedirs(folder)
    turned = {3: Image.Transpose.ROTATE_180, 6: Image.Transpose.ROTATE_90,
              8: Image.Transpose.ROTATE_270}
    others = {"IMG_%02d" % i: ((1, 3, 6, 8)[i % 4], (0, 0, 0)) for i in range(35)}
    for name, (tag, lower) in (NAMED_PHOTOS | others).items():
        photo = Image.new("RGB", (1200, 900), (255, 0, 0))
        photo.paste(lower, (0, 450, 1200, 900))
        exif = Image.Exif()
        exif[0x0112] = tag
        (photo.transpose(turned[tag]) if tag in turned else photo).save(
            os.path.join(folder, name + ".jpg"), exif=exif)


def main():
    signal_during_startup_message(sys.argv[1])
    two_monitors_run(sys.argv[1])
    work, program, config, runtime = prepare_folders(sys.argv[1], "pikoro-e2e-")
    app_folder = os.path.dirname(program)
    # The opening shows a red picture and plays a piece; F1 plays the same piece.
    write_bmp(os.path.join(app_folder, "open.bmp"), 64, 48, (255, 0, 0))
    write_midi(os.path.join(app_folder, "tune.mid"))
    key_sound = os.path.join(app_folder, "zero.wav")
    # A's photo: a JPEG as a phone takes it, green.
    key_picture = os.path.join(app_folder, "photo.jpg")
    Image.new("RGB", (1600, 1200), (0, 200, 0)).save(key_picture, quality=90)
    write_wave(key_sound)
    # The prepared data file the start opens: the opening picture and pieces; the parent's keys
    # are kept in a data file of their own (KeepSetupInUserFile).
    tune = os.path.join(app_folder, "tune.mid")
    midi = [tune] + [""] * 9 + [tune] + [""] * 8 + [tune, "", ""]
    lines = (["## ピコロVersion 4データファイル", "2026/01/01", "ピクチャーデータ"] + [""] * 42 +
             [os.path.join(app_folder, "open.bmp"), "サウンドデータ"] + [""] * 42 + ["MIDIデータ"] +
             midi + ["PIKORO_DATA_FILE", ""])
    prepared = os.path.join(app_folder, "default.pik")
    with open(prepared, "w", encoding="utf-8", newline="") as f:
        f.write("\r\n".join(lines))
    prepared_bytes = open(prepared, "rb").read()
    with open(os.path.join(app_folder, "PIKORO.ini"), "w", encoding="utf-8") as f:
        f.write("[SoundFlag]\r\nSoundFlag=-1\r\n[OPENFlag]\r\nOPENFlag=-1\r\n"
                "[Pikoro]\r\nStartupData=./default.pik\r\nKeepSetupInUserFile=-1\r\n")
    audio = os.path.join(work, "audio.raw")

    xvfb, disp = start_xvfb()
    env = dict(x_env(disp, config, runtime), SDL_AUDIODRIVER="disk", SDL_DISKAUDIOFILE=audio)
    first = second = again = None
    try:
        d = display.Display(disp)
        first = subprocess.Popen([program], env=env, stdout=subprocess.DEVNULL,
                                 stderr=open(os.path.join(work, "first.log"), "w"))
        w = wait_for(lambda: main_window(d))
        check(w is not None, "main window titled ピコロ covers the screen")
        if w is None:
            return
        # The keyboard is drawn once the area under the picture frame shows many colours.
        keyboard = wait_for(lambda: screenshot_colours(d, 300, 750, 1320, 250) >= 8 and
                            screenshot_colours(d, 300, 750, 1320, 250)) or 0
        check(keyboard >= 8, "keyboard area is drawn (%d colours)" % keyboard)
        save_shot(env, "main-1920x1080.png")

        picture = PICTURE
        red = wait_for(lambda: colour_share(d, *picture, (255, 0, 0)) > 0.5 and
                       colour_share(d, *picture, (255, 0, 0)))
        check(bool(red), "opening picture fills the picture area")
        peak = wait_for(lambda: audio_peak(audio) > 0.01 and audio_peak(audio), timeout=30)
        check(bool(peak), "opening piece is heard (peak %.3f)" % (peak or 0))

        xdo(env, "windowfocus", "--sync", w.id)
        press(env, "a")  # any character stops the piece
        time.sleep(1.0)
        quiet_from = os.path.getsize(audio)
        time.sleep(1.0)
        after_stop = audio_peak(audio, quiet_from)
        check(after_stop < 0.01, "a letter key stops the piece (peak %.3f)" % after_stop)

        mark = os.path.getsize(audio)
        press(env, "F1")
        peak = wait_for(lambda: audio_peak(audio, mark) > 0.01 and audio_peak(audio, mark),
                        timeout=15)
        check(bool(peak), "F1 plays its piece (peak %.3f)" % (peak or 0))
        save_shot(env, "after-keys.png")
        press(env, "Escape", "space")
        check_mascot_blinks(d, env)
        check_dance(d, env, w, picture)
        check_miss_key(d, env, picture)

        # Shift or Ctrl + left-click on the bare background opens the settings window "設定".
        def settings_window():
            return named_window(d, "設定")
        for modifier in ("shift", "ctrl"):
            background_click(env, modifier)
            box = wait_for(settings_window, timeout=10)
            check(box is not None, "%s + left-click opens the settings" % modifier)
            if box is None:
                break
            save_shot(env, "settings-%s.png" % modifier)
            xdo(env, "windowfocus", box.id, "key", "Escape")
            closed = wait_for(lambda: settings_window() is None, timeout=10)
            check(bool(closed), "Escape leaves the settings")
        background_click(env)
        time.sleep(0.5)
        check(settings_window() is None, "a plain click on the background opens nothing")

        # The adult gives A a photo and a sound in the settings; OK applies them.
        check(settings_ok(d, env, [(0.083, key_picture), (0.26, key_sound)], row=10),
              "OK closes the settings")
        xdo(env, "windowfocus", "--sync", w.id)
        mark = os.path.getsize(audio)
        press(env, "a")
        green = wait_for(lambda: colour_share(d, *picture, (0, 200, 0)) > 0.3 and
                         colour_share(d, *picture, (0, 200, 0)))
        check(bool(green), "A shows its photo")
        peak = wait_for(lambda: audio_peak(audio, mark) > 0.01 and audio_peak(audio, mark),
                        timeout=10)
        check(bool(peak), "A plays its sound (peak %.3f)" % (peak or 0))
        save_shot(env, "key-a.png")

        send_close_request(d, w)
        time.sleep(1.0)
        check(first.poll() is None, "close request refused: program still running")
        check(main_window(d) is not None, "main window still shown after the close request")

        second = subprocess.Popen([program], env=env, stdout=subprocess.DEVNULL,
                                  stderr=open(os.path.join(work, "second.log"), "w"))
        shown = wait_for(lambda: second.poll() is None and dialogs(d), timeout=30)
        check(bool(shown), "second copy shows its message")
        save_shot(env, "second-instance.png")
        # Answer the message: press Return in each window of the second copy until it ends.
        def answered():
            for win, *_ in dialogs(d):
                xdo(env, "windowfocus", win.id, "key", "Return")
            return second.poll() is not None
        wait_for(answered, timeout=15, step=0.5)
        check(second.poll() is not None, "second copy ends")
        check(first.poll() is None, "first copy keeps running")

        first.send_signal(signal.SIGTERM)
        code = exit_code(first, 15)
        check(code == 0, "SIGTERM ends the program cleanly (exit code %s)" % code)

        # What the parent set up is there at the next start, without a further step.
        again = subprocess.Popen([program], env=env, stdout=subprocess.DEVNULL,
                                 stderr=open(os.path.join(work, "again.log"), "w"))
        w = wait_for(lambda: main_window(d))
        if w is not None:
            xdo(env, "windowfocus", "--sync", w.id)
            time.sleep(1.5)
            press(env, "a")
        kept = wait_for(lambda: colour_share(d, *picture, (0, 200, 0)) > 0.3, timeout=10)
        save_shot(env, "kept-a.png")
        check(bool(kept), "after a restart A shows the photo set up before")
        kept_file = os.path.join(config, "data", "pikoro", "keys.pik")
        kept_lines = open(kept_file, encoding="utf-8", newline="").read().split("\r\n") \
            if os.path.exists(kept_file) else []
        check(kept_lines[13:14] == [key_picture] and kept_lines[57:58] == [key_sound],
              "the user's data file keeps A's photo and sound")
        check(open(prepared, "rb").read() == prepared_bytes,
              "the prepared default.pik is unchanged byte for byte")

        # A folder of photos on the keys at once, each shown upright whatever its tag says.
        photos = os.path.join(work, "photos")
        write_photos(photos)
        check(settings_ok(d, env, photo_folder=photos), "photos from a folder, then OK")
        for name, key in (("Anna", "a"), ("Bob", "b"), ("Chris", "c"), ("Dan", "d")):
            tag, lower = NAMED_PHOTOS[name]
            xdo(env, "windowfocus", "--sync", w.id)
            press(env, key)
            upright = wait_for(lambda: colour_share(d, 850, 80, 200, 80, (255, 0, 0)) > 0.9 and
                               colour_share(d, 850, 460, 200, 80, lower) > 0.9, timeout=5)
            save_shot(env, "photo-%s.png" % name)
            check(bool(upright), "%s shows %s.jpg upright (orientation %d)" % (key, name, tag))
        again.send_signal(signal.SIGTERM)
        exit_code(again, 15)
    finally:
        close_work(work, xvfb, [first, second, again])


if __name__ == "__main__":
    main()
    finish()
