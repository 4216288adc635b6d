#!/usr/bin/python3
"""`gate_e2e.py PROGRAM CONTENT_FOLDER [SEQUENCES]`: the parent gate on a fresh install (the
prepared content and the shipped PIKORO.ini, no per-user values). The first start registers the
user name in the instructions. Then a child's random a, Return, Escape and clicks, after Ctrl +
right-click and after Shift + click, never end the program, never reach the exit confirmation or
the settings, never change the stored name and never write PIKORO.ini (install_e2e.py and
pikoro_e2e.py check that the name itself still opens both). Events go through XTEST into one
program run."""
import hashlib
import os
import random
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e_common import (close_work, SCREEN, USER_NAME, check, failures, finish,  # noqa: E402
                        main_window, prepare_folders, save_shot, start_xvfb, wait_for,
                        window_name, x_env)
from Xlib import X, XK, display  # noqa: E402
from Xlib.ext import xtest  # noqa: E402

SETTLE = 0.012  # time the program gets to answer one event


def send(d, *keys, click=None, button=1):
    """Holds the keys (keysym names), clicks at `click` if given, releases them."""
    codes = [d.keysym_to_keycode(XK.string_to_keysym(k)) for k in keys]
    if click:
        xtest.fake_input(d, X.MotionNotify, x=click[0], y=click[1])
    for code in codes:
        xtest.fake_input(d, X.KeyPress, code)
    if click:
        xtest.fake_input(d, X.ButtonPress, button)
        xtest.fake_input(d, X.ButtonRelease, button)
    for code in reversed(codes):
        xtest.fake_input(d, X.KeyRelease, code)
    d.sync()


def dialogs(d):
    """(window, title, x, y, width, height) of our windows over the play screen, lowest first."""
    found = []
    for w in d.screen().root.query_tree().children:
        try:
            geo = w.get_geometry()
            if w.get_attributes().map_state == X.IsViewable and geo.width > 50 and \
                    (geo.width, geo.height) != SCREEN:
                found.append((w, window_name(d, w), geo.x, geo.y, geo.width, geo.height))
        except Exception:  # gone meanwhile
            pass
    return found


def focus_top(d):
    """Gives the keyboard to the topmost of our windows: the worst case for the gate."""
    shown = dialogs(d)
    if shown:
        d.set_input_focus(shown[-1][0], X.RevertToParent, X.CurrentTime)
        d.sync()
    return shown


def titled(d, title, timeout=10.0):
    return wait_for(lambda: [w for w in dialogs(d) if w[1] == title], timeout=timeout)


def type_name(d, title):
    """The parent types the name into the window of that title and presses Return."""
    if titled(d, title):
        focus_top(d)
        for ch in USER_NAME + "\r":
            send(d, "Return" if ch == "\r" else ch)


def random_sequences(d, gesture, count, rng, seen, run):
    """count sequences of 1-6 random events after the gesture, while the program runs; returns
    how many gestures opened a window to type into."""
    opened = 0
    for _ in range(count):
        if run.poll() is not None:
            break
        gesture()
        opened += bool(wait_for(lambda: dialogs(d), timeout=2, step=0.005))
        for _ in range(rng.randint(1, 6)):
            shown = focus_top(d)
            kind = rng.choice(("a", "Return", "Escape", "click"))
            _, _, x, y, width, height = shown[-1] if shown else (0, 0, 0, 0) + SCREEN
            if kind == "click":  # anywhere on the window in front: buttons, field, edges
                send(d, click=(x + rng.randrange(width), y + rng.randrange(height)))
            else:
                send(d, kind)
            time.sleep(SETTLE)
            seen.update(title for _, title, *_ in dialogs(d))
        for _ in range(20):  # the adult closes whatever is left
            if not focus_top(d):
                break
            send(d, "Escape")
            time.sleep(SETTLE)
    return opened


def main():
    program_path, content = sys.argv[1], sys.argv[2]
    count = int(sys.argv[3]) if len(sys.argv) > 3 else 200
    work, program, config, runtime = prepare_folders(program_path, "pikoro-e2e-gate-")
    shutil.rmtree(os.path.join(config, "pikoro"))  # a fresh install: no per-user values
    app = os.path.dirname(program)
    for name in ("PIKORO.ini", "default.pik", "bmp", "wav", "mid"):
        source = os.path.join(content, name)
        (shutil.copytree if os.path.isdir(source) else shutil.copy2)(source, os.path.join(app, name))
    settings, store = os.path.join(app, "PIKORO.ini"), os.path.join(config, "pikoro", "pikoro.ini")

    def digest(path):
        return hashlib.sha256(open(path, "rb").read()).hexdigest() if os.path.exists(path) else None

    xvfb, disp = start_xvfb()
    env = x_env(disp, config, runtime)
    run = None
    try:
        d = display.Display(disp)
        run = subprocess.Popen([program], env=env, stdout=subprocess.DEVNULL,
                               stderr=open(os.path.join(work, "gate.log"), "w"))
        check(bool(titled(d, "メッセージ", 30)), "first start shows the instructions")
        time.sleep(0.3)
        save_shot(env, "gate-first-start.png")
        type_name(d, "メッセージ")
        if titled(d, "確認", 3):
            focus_top(d)
            send(d, "Return")  # Yes
        check(wait_for(lambda: main_window(d), timeout=30) is not None,
              "the play screen follows the registration")
        time.sleep(2.0)  # the opening
        stored, shipped = digest(store), digest(settings)
        check(stored and "名前=%s" % USER_NAME in open(store, encoding="utf-8").read(),
              "the name typed in the instructions is stored")

        rng, seen, started = random.Random(19), set(), time.monotonic()
        opened = [random_sequences(d, lambda: send(d, "Control_L", click=(60, 60), button=3),
                                   count, rng, seen, run),
                  random_sequences(d, lambda: send(d, "Shift_L", click=(60, 60)), count, rng,
                                   seen, run)]
        print("2 x %d sequences in %.1f s; windows seen: %s"
              % (count, time.monotonic() - started, sorted(seen)), flush=True)
        check(opened == [count, count], "every gesture asked for the name (%s)" % opened)
        check(run.poll() is None and main_window(d) is not None, "the program still runs")
        check(not seen & {"終了の確認", "設定", "ユーザー登録"},
              "no exit confirmation, settings or user-name window was reached")
        check(digest(store) == stored, "the stored user name is unchanged")
        check(digest(settings) == shipped and
              not os.path.exists(os.path.join(config, "pikoro", "PIKORO.ini")),
              "PIKORO.ini was not written")

    finally:
        close_work(work, xvfb, [run])


if __name__ == "__main__":
    main()
    finish()
