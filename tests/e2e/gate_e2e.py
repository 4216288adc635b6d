#!/usr/bin/python3
"""`gate_e2e.py PROGRAM CONTENT_FOLDER [SEQUENCES]`: the parent gate on a fresh install.

The program runs from an application folder holding the prepared content and the shipped
PIKORO.ini, with no per-user values at all. The first start asks for the user name in the
instructions; the parent registers it. Then a child's random sequences of a, Return, Escape and
clicks, each after Ctrl + right-click and after Shift + click, must never end the program, never
open the exit confirmation or the settings, never change the stored name and never write
PIKORO.ini. Last, the parent's name still opens the settings and ends the program.

Keys and clicks go straight through XTEST into the one program run, so that hundreds of
sequences take well under a minute.
"""
import hashlib
import os
import random
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e_common import (SCREEN, USER_NAME, check, exit_code, failures, finish,  # noqa: E402
                        main_window, prepare_folders, save_shot, start_xvfb, wait_for,
                        window_name, x_env)
from Xlib import X, XK, display  # noqa: E402
from Xlib.ext import xtest  # noqa: E402

SETTLE = 0.012  # time the program gets to answer one event


class Child:
    """Keys and clicks through XTEST; every event waits for the server to take it."""

    def __init__(self, d):
        self.d = d

    def key(self, name, modifier=None):
        codes = [self.d.keysym_to_keycode(XK.string_to_keysym(n)) for n in (modifier, name) if n]
        for code in codes:
            xtest.fake_input(self.d, X.KeyPress, code)
        for code in reversed(codes):
            xtest.fake_input(self.d, X.KeyRelease, code)
        self.d.sync()

    def click(self, x, y, button=1, modifier=None):
        mod = self.d.keysym_to_keycode(XK.string_to_keysym(modifier)) if modifier else None
        xtest.fake_input(self.d, X.MotionNotify, x=x, y=y)
        if mod:
            xtest.fake_input(self.d, X.KeyPress, mod)
        xtest.fake_input(self.d, X.ButtonPress, button)
        xtest.fake_input(self.d, X.ButtonRelease, button)
        if mod:
            xtest.fake_input(self.d, X.KeyRelease, mod)
        self.d.sync()

    def type(self, text):
        for ch in text:
            self.key(ch)


def dialogs(d):
    """(window, title, x, y, width, height) of our windows over the play screen, lowest first."""
    found = []
    try:
        children = d.screen().root.query_tree().children
    except Exception:
        return found
    for w in children:
        try:
            if w.get_attributes().map_state != X.IsViewable:
                continue
            geo = w.get_geometry()
        except Exception:  # gone meanwhile
            continue
        if (geo.width, geo.height) != SCREEN and geo.width > 50:
            found.append((w, window_name(d, w), geo.x, geo.y, geo.width, geo.height))
    return found


def focus_top(d):
    """Gives the keyboard to the topmost of our windows, the worst case for the gate."""
    shown = dialogs(d)
    if shown:
        try:
            d.set_input_focus(shown[-1][0], X.RevertToParent, X.CurrentTime)
            d.sync()
        except Exception:
            pass
    return shown


def digest(path):
    return hashlib.sha256(open(path, "rb").read()).hexdigest() if os.path.exists(path) else None


def random_sequences(d, child, gesture, count, rng, seen, run):
    """count sequences of 1-6 random events, each after the gesture; returns the number of
    sequences in which the gesture opened a window to type into."""
    opened = 0
    for _ in range(count):
        gesture()
        if wait_for(lambda: dialogs(d), timeout=2, step=0.005):
            opened += 1
        for _ in range(rng.randint(1, 6)):
            shown = focus_top(d)
            kind = rng.choice(("a", "Return", "Escape", "click"))
            if kind != "click":
                child.key(kind)
            elif shown:  # anywhere on the window in front: its buttons, its field, its frame
                _, _, x, y, width, height = shown[-1]
                child.click(x + rng.randrange(width), y + rng.randrange(height))
            else:
                child.click(rng.randrange(SCREEN[0]), rng.randrange(SCREEN[1]))
            time.sleep(SETTLE)
            seen.update(title for _, title, *_ in dialogs(d))
        for _ in range(20):  # the adult closes whatever is left
            if not focus_top(d):
                break
            child.key("Escape")
            time.sleep(SETTLE)
        if run.poll() is not None:
            break
    return opened


def main():
    program_path, content = sys.argv[1], sys.argv[2]
    count = int(sys.argv[3]) if len(sys.argv) > 3 else 200
    work, program, config, runtime = prepare_folders(program_path, "pikoro-e2e-gate-")
    shutil.rmtree(config)  # a fresh install: no per-user values at all
    os.makedirs(config)
    app = os.path.dirname(program)
    for name in ("PIKORO.ini", "default.pik"):
        shutil.copy2(os.path.join(content, name), app)
    for name in ("bmp", "wav", "mid"):
        shutil.copytree(os.path.join(content, name), os.path.join(app, name))
    settings = os.path.join(app, "PIKORO.ini")
    user_settings = os.path.join(config, "pikoro", "PIKORO.ini")
    store = os.path.join(config, "pikoro", "pikoro.ini")

    xvfb, disp = start_xvfb()
    env = x_env(disp, config, runtime)
    run = None
    try:
        d = display.Display(disp)
        child = Child(d)
        run = subprocess.Popen([program], env=env, stdout=subprocess.DEVNULL,
                               stderr=open(os.path.join(work, "gate.log"), "w"))
        # The parent at the first start: the instructions ask for the user name.
        check(bool(wait_for(lambda: [w for w in dialogs(d) if w[1] == "メッセージ"], timeout=30)),
              "first start shows the instructions")
        time.sleep(0.3)
        save_shot(env, "gate-first-start.png")
        focus_top(d)
        child.type(USER_NAME)
        child.key("Return")
        if wait_for(lambda: [w for w in dialogs(d) if w[1] == "確認"], timeout=3):
            focus_top(d)
            child.key("Return")  # Yes
        w = wait_for(lambda: main_window(d), timeout=30)
        check(w is not None, "the play screen follows the registration")
        time.sleep(2.0)  # the opening
        stored, shipped = digest(store), digest(settings)
        check("名前=%s" % USER_NAME in open(store, encoding="utf-8").read() if stored else False,
              "the name typed in the instructions is stored")

        rng = random.Random(19)
        seen = set()
        started = time.monotonic()
        exit_boxes = random_sequences(d, child, lambda: child.click(60, 60, 3, "Control_L"),
                                      count, rng, seen, run)
        settings_boxes = random_sequences(d, child, lambda: child.click(60, 60, 1, "Shift_L"),
                                          count, rng, seen, run)
        took = time.monotonic() - started
        print("%d + %d sequences in %.1f s; windows seen: %s"
              % (count, count, took, sorted(seen)), flush=True)
        check(exit_boxes == count and settings_boxes == count,
              "every gesture asked for the name (%d, %d of %d)" % (exit_boxes, settings_boxes, count))
        check(run.poll() is None and main_window(d) is not None, "the program still runs")
        check(not seen & {"終了の確認", "設定", "ユーザー登録"},
              "no exit confirmation, settings or user-name window was reached")
        check(digest(store) == stored, "the stored user name is unchanged")
        check(digest(settings) == shipped and not os.path.exists(user_settings),
              "PIKORO.ini was not written")

        # The parent's name still opens the settings, and leaves.
        child.click(60, 60, 1, "Shift_L")
        wait_for(lambda: dialogs(d), timeout=5)
        focus_top(d)
        child.type(USER_NAME)
        child.key("Return")
        opened = wait_for(lambda: [x for x in dialogs(d) if x[1] == "設定"], timeout=10)
        check(bool(opened), "the user name opens the settings")
        focus_top(d)
        child.key("Escape")
        wait_for(lambda: not dialogs(d), timeout=10)
        child.click(60, 60, 3, "Control_L")
        wait_for(lambda: dialogs(d), timeout=5)
        focus_top(d)
        child.type(USER_NAME)
        child.key("Return")
        if wait_for(lambda: [x for x in dialogs(d) if x[1] == "終了の確認"], timeout=10):
            focus_top(d)
            child.key("Return")  # Yes
        code = exit_code(run, 15)
        check(code == 0, "the user name and Yes end the program (exit code %s)" % code)
    finally:
        if run and run.poll() is None:
            run.kill()
        xvfb.terminate()
        xvfb.wait()
        if failures:
            print("work folder kept:", work)
        else:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
    finish()
