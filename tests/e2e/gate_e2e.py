#!/usr/bin/python3
"""`gate_e2e.py PROGRAM CONTENT_FOLDER [SEQUENCES]`: the parent gate on a fresh install (the
prepared content and the shipped PIKORO.ini, no per-user values). The first start's instructions
refuse an empty user name and register one with blanks at its ends, which belong to it. Then a
child's random a, Return, Escape and clicks, after Ctrl + right-click and after Shift + click,
never end the program, never reach the exit confirmation or the settings, never change the
stored name and never write PIKORO.ini. At last the exit gesture refuses the name without its
blanks, No keeps the program and Yes ends it with exit code 0. Events go through XTEST into one
program run."""
import hashlib
import os
import random
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e_common import (close_work, SCREEN, TITLE, check, dialogs, exit_code, finish,  # noqa: E402
                        main_window, prepare_folders, save_shot, send, start_xvfb, wait_for,
                        x_env)
from Xlib import X, display  # noqa: E402

SETTLE = 0.012  # time the program gets to answer one event
NAME = " mama "


def focus_top(d):
    """Gives the keyboard to the topmost of our windows: the worst case for the gate."""
    shown = dialogs(d)
    if shown:
        d.set_input_focus(shown[-1][0], X.RevertToParent, X.CurrentTime)
        d.sync()
    return shown


def titled(d, title, timeout=10.0, besides=()):
    return wait_for(lambda: [w for w in dialogs(d) if w[1] == title and w[0].id not in besides],
                    timeout=timeout)


def answer(d, title, *keys, text=""):
    """Types text and the keys into the topmost window once one of that title shows."""
    shown = titled(d, title)
    if shown:
        focus_top(d)
        for ch in text:
            send(d, "space" if ch == " " else ch)
        send(d, *keys)
    return bool(shown)


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


def register(d, env):
    """First start: the instructions refuse an empty name (a message titled like the splash
    beneath them), then take NAME and ask to confirm it."""
    if not check(bool(titled(d, "メッセージ", 30)), "first start shows the instructions"):
        return
    splash = [w[0].id for w in dialogs(d) if w[1] == TITLE]
    time.sleep(0.3)
    save_shot(env, "gate-first-start.png")
    answer(d, "メッセージ", "Return")
    check(answer(d, TITLE, "Return") if titled(d, TITLE, besides=splash) else False,
          "the instructions refuse an empty user name")
    answer(d, "メッセージ", "Return", text=NAME)
    check(answer(d, "確認", "Return"), "the registered name is confirmed")


def exit_gesture(d, run):
    def gesture(name):
        send(d, "Control_L", click=(60, 60), button=3)
        return answer(d, "終了", "Return", text=name)
    gesture(NAME.strip())
    check(answer(d, TITLE, "Return") and run.poll() is None,
          "the name without its blanks is refused with a message; the program runs on")
    gesture(NAME)
    check(answer(d, "終了の確認", "Alt_L", "n"), "the right name asks おわっちゃうよ？")
    check(bool(wait_for(lambda: not titled(d, "終了の確認", 0.1), timeout=5)) and
          run.poll() is None, "No keeps the program running")
    gesture(NAME)
    answer(d, "終了の確認", "Return")
    code = exit_code(run, 15)
    check(code == 0, "the right name and Yes end the program (exit code %s)" % code)


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
    run = None
    try:
        d = display.Display(disp)
        env = x_env(disp, config, runtime)
        run = subprocess.Popen([program], env=env, stdout=subprocess.DEVNULL,
                               stderr=open(os.path.join(work, "gate.log"), "w"))
        register(d, env)
        check(wait_for(lambda: main_window(d), timeout=30) is not None,
              "the play screen follows the registration")
        time.sleep(2.0)  # the opening
        stored, shipped = digest(store), digest(settings)
        check(stored and NAME in open(store, encoding="utf-8").read(),
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
        exit_gesture(d, run)
    finally:
        close_work(work, xvfb, [run])


if __name__ == "__main__":
    main()
    finish()
