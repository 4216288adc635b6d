#!/usr/bin/python3
"""End-to-end run of the installed program under Xvfb.

    install_e2e.py BUILD_FOLDER

Installs the build into a throw-away prefix (cmake --install) and starts prefix/bin/pikoro with
a private XDG config folder: the prepared content under share/pikoro is found and the letter A
shows its picture. The adult chooses a data file of their own on the Options tab and presses
OK, which writes $XDG_CONFIG_HOME/pikoro/PIKORO.ini; after a restart that file is opened again
and A shows the picture it assigns.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from pikoro_e2e import (check, colour_share, failures, main_window, passes, press,  # noqa: E402
                        save_shot, start_xvfb, top_windows, wait_for, window_origin, write_bmp)
from Xlib import display  # noqa: E402

PICTURE = (500, 60, 900, 500)  # inside the picture frame at 1920 x 1080


def run(prefix, env, log):
    return subprocess.Popen([os.path.join(prefix, "bin", "pikoro")], env=env,
                            stdout=subprocess.DEVNULL, stderr=open(log, "a"))


def show_key_a(d, env):
    w = wait_for(lambda: main_window(d))
    if w is None:
        return None
    subprocess.run(["xdotool", "windowfocus", "--sync", str(w.id)], env=env, check=False)
    time.sleep(1.5)  # the opening picture first
    press(env, "a")
    return w


def stop(program):
    program.terminate()
    if not wait_for(lambda: program.poll() is not None, timeout=10):
        program.kill()


def main():
    build = os.path.abspath(sys.argv[1])
    work = tempfile.mkdtemp(prefix="pikoro-install-e2e-")
    prefix = os.path.join(work, "prefix")
    subprocess.run(["cmake", "--install", build, "--prefix", prefix], check=True,
                   stdout=subprocess.DEVNULL)
    shared = os.path.join(prefix, "share", "pikoro")
    check(os.path.isfile(os.path.join(shared, "default.pik")), "content installed under share")
    config = os.path.join(work, "config")
    os.makedirs(os.path.join(config, "pikoro"))
    with open(os.path.join(config, "pikoro", "pikoro.ini"), "w", encoding="utf-8") as f:
        f.write("[ユーザー登録]\r\nMSG=1\r\n")
    # The parent's own data file: default.pik with a red picture on A (line 14).
    mine = os.path.join(work, "Documents", "mine.pik")
    os.makedirs(os.path.dirname(mine))
    write_bmp(os.path.join(work, "Documents", "red.bmp"), 64, 48, (255, 0, 0))
    with open(os.path.join(shared, "default.pik"), encoding="utf-8", newline="") as f:
        lines = f.read().split("\r\n")
    lines[13] = os.path.join(work, "Documents", "red.bmp")
    with open(mine, "w", encoding="utf-8", newline="") as f:
        f.write("\r\n".join(lines))
    runtime = os.path.join(work, "runtime")
    os.makedirs(runtime, mode=0o700)
    log = os.path.join(work, "pikoro.log")

    xvfb, disp = start_xvfb()
    env = dict(os.environ, DISPLAY=disp, QT_QPA_PLATFORM="xcb", XDG_CONFIG_HOME=config,
               XDG_RUNTIME_DIR=runtime, TMPDIR=runtime, SDL_AUDIODRIVER="dummy",
               HOME=work)
    program = None
    try:
        d = display.Display(disp)
        program = run(prefix, env, log)
        w = show_key_a(d, env)
        check(w is not None, "installed program shows its main window")
        if w is None:
            return
        before = wait_for(lambda: colour_share(d, *PICTURE, (255, 255, 255), 60) < 0.97 and
                          colour_share(d, *PICTURE, (255, 0, 0)) < 0.2)
        check(bool(before), "A shows the prepared picture")
        save_shot(env, "installed-a.png")

        subprocess.run(["xdotool", "mousemove", "60", "60", "keydown", "shift", "click", "1",
                        "keyup", "shift"], env=env, check=False)
        named = lambda title: [win for win, name, _, _ in top_windows(d) if name == title]
        box = wait_for(lambda: named("設定"), timeout=10)
        check(bool(box), "the settings window opens")
        if box:
            x, y, width, height = window_origin(d, box[0])

            def click_at(fx, fy):
                subprocess.run(["xdotool", "mousemove", str(int(x + fx * width)),
                                str(int(y + fy * height)), "click", "1"], env=env, check=False)
                time.sleep(0.3)
            click_at(0.614, 0.079)  # the Options tab
            click_at(0.073, 0.715)  # its 参照... button under the start-up data file
            dialog = wait_for(lambda: named("起動時に開くデータファイル"), timeout=10)
            check(bool(dialog), "the start-up data file dialog opens")
            save_shot(env, "installed-choose.png")
            subprocess.run(["xdotool", "type", "--delay", "5", mine], env=env, check=False)
            press(env, "Return")
            wait_for(lambda: not named("起動時に開くデータファイル"), timeout=10)
            save_shot(env, "installed-options.png")
            click_at(0.70, 0.907)  # OK
            check(bool(wait_for(lambda: not named("設定"), timeout=10)), "OK closes the settings")
        user_ini = os.path.join(config, "pikoro", "PIKORO.ini")
        text = open(user_ini, encoding="utf-8").read() if os.path.exists(user_ini) else ""
        check("StartupData=" + mine in text and "[SoundFile 4]" in text,
              "OK writes the user's PIKORO.ini with the chosen file and the shipped sets")
        stop(program)

        program = run(prefix, env, log)
        w = show_key_a(d, env)
        red = w and wait_for(lambda: colour_share(d, *PICTURE, (255, 0, 0)) > 0.5)
        check(bool(red), "after a restart the chosen data file gives A its picture")
        save_shot(env, "installed-restart-a.png")
    finally:
        if program:
            stop(program)
        xvfb.terminate()
        if failures:
            print(open(log).read()[-3000:])
        else:
            shutil.rmtree(work, ignore_errors=True)
    print("%d passed, %d failed" % (len(passes), len(failures)))


if __name__ == "__main__":
    main()
    sys.exit(1 if failures else 0)
