#!/usr/bin/python3
"""End-to-end run of the keyboard lock under X11 with a real window manager (Openbox).

Openbox gets bindings for Alt+Tab, Alt+F4, Super, Ctrl+Alt+Left and Alt+Space that each also
leave a marker file. While the play screen is in front none of them may act: no marker, the
program keeps the input focus and stays on top, and a close request is refused. The exit
gesture's name box still gets the typed name: a wrong one shows its message and play goes on
with the keys held again; the right one and Yes end the program. After that the same keys reach
the window manager again, which shows both that the bindings work and that the grab died with
the program.
"""
import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from pikoro_e2e import (check, failures, passes, prepare_folders, save_shot,  # noqa: E402
                        start_xvfb, wait_for)
from Xlib import X, display  # noqa: E402

TITLE = "ピコロ"
BINDINGS = [  # xdotool key, Openbox key, Openbox action
    ("alt+Tab", "A-Tab", '<action name="NextWindow"/>'),
    ("alt+F4", "A-F4", '<action name="Close"/>'),
    ("super", "Super_L", ""),
    ("ctrl+alt+Left", "C-A-Left", '<action name="GoToDesktop"><to>left</to><wrap>yes</wrap></action>'),
    ("alt+space", "A-space", '<action name="ShowMenu"><menu>client-menu</menu></action>'),
]


def marker(folder, key):
    return os.path.join(folder, "marker-" + key.replace("+", "-"))


def openbox_config(path, markers):
    binds = "".join(
        '<keybind key="%s"><action name="Execute"><command>touch %s</command></action>%s</keybind>'
        % (box_key, marker(markers, key), action) for key, box_key, action in BINDINGS)
    with open(path, "w") as f:
        f.write('<?xml version="1.0"?><openbox_config xmlns="http://openbox.org/3.4/rc">'
                "<desktops><number>2</number></desktops>"
                "<focus><focusNew>yes</focusNew></focus>"
                "<keyboard>%s</keyboard></openbox_config>" % binds)


def prop(d, w, name):
    try:
        value = w.get_full_property(d.intern_atom(name), X.AnyPropertyType)
        return list(value.value) if value else []
    except Exception:
        return []


def name_of(d, w):
    try:
        value = w.get_full_property(d.intern_atom("_NET_WM_NAME"), d.intern_atom("UTF8_STRING"))
        return value.value.decode("utf-8", "replace") if value else (w.get_wm_name() or "")
    except Exception:
        return ""


def clients(d):
    """Managed windows, bottom to top, with their names."""
    root = d.screen().root
    return [(d.create_resource_object("window", wid), name_of(d, d.create_resource_object("window", wid)))
            for wid in prop(d, root, "_NET_CLIENT_LIST_STACKING")]


def client(d, title, big=None):
    for w, name in clients(d):
        if name == title:
            if big is None:
                return w
            geo = w.get_geometry()
            if (geo.width > 1000) == big:
                return w
    return None


def focus_in(d, w):
    """The X input focus is on w or one of its children."""
    focus = d.get_input_focus().focus
    while focus not in (None, 0, X.NONE) and hasattr(focus, "id"):
        if focus.id == w.id:
            return True
        tree = focus.query_tree()
        if tree.parent.id in (0, d.screen().root.id):
            return False
        focus = tree.parent
    return False


def play_screen_in_front(d, main):
    stacking = prop(d, d.screen().root, "_NET_CLIENT_LIST_STACKING")
    return focus_in(d, main) and bool(stacking) and stacking[-1] == main.id


def xdo(env, *args):
    subprocess.run(["xdotool"] + list(args), env=env, check=False, stderr=subprocess.DEVNULL)


def main():
    work, app_folder, program, config = prepare_folders(sys.argv[1], "pikoro-e2e-lock-")
    with open(os.path.join(config, "pikoro", "pikoro.ini"), "a", encoding="utf-8") as f:
        f.write("名前=mama\r\n")
    runtime = os.path.join(work, "runtime")
    os.makedirs(runtime, mode=0o700)
    markers = os.path.join(work, "markers")
    os.makedirs(markers)
    openbox_config(os.path.join(work, "rc.xml"), markers)
    xvfb, disp = start_xvfb()
    env = dict(os.environ, DISPLAY=disp, QT_QPA_PLATFORM="xcb", XDG_CONFIG_HOME=config,
               XDG_RUNTIME_DIR=runtime, TMPDIR=runtime, SDL_AUDIODRIVER="dummy")
    wm = rival = run = None
    try:
        d = display.Display(disp)
        wm = subprocess.Popen(["openbox", "--config-file", os.path.join(work, "rc.xml")], env=env,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        check(bool(wait_for(lambda: prop(d, d.screen().root, "_NET_SUPPORTING_WM_CHECK"))),
              "Openbox manages the screen")
        # Another program's window, for Alt+Tab to switch to.
        rival = subprocess.Popen(["xlogo", "-name", "rival"], env=env, stderr=subprocess.DEVNULL)
        wait_for(lambda: client(d, "xlogo") or client(d, "rival"), timeout=10)
        run = subprocess.Popen([program], env=env, stdout=subprocess.DEVNULL,
                               stderr=open(os.path.join(work, "lock.log"), "w"))
        main_screen = wait_for(lambda: client(d, TITLE, big=True))
        check(main_screen is not None, "play screen shown under Openbox")
        if main_screen is None:
            return
        check(bool(wait_for(lambda: play_screen_in_front(d, main_screen))), "play screen in front")
        time.sleep(1.5)  # the grab is asked for again every second

        for key, _, _ in BINDINGS:
            xdo(env, "key", key)
            time.sleep(0.7)
            check(not os.path.exists(marker(markers, key)) and run.poll() is None and
                  play_screen_in_front(d, main_screen),
                  "%s does not reach the window manager; the play screen keeps focus and top" % key)
            xdo(env, "key", "Escape")
        save_shot(env, "lock-after-shortcuts.png")
        check(prop(d, d.screen().root, "_NET_CURRENT_DESKTOP") == [0], "still on the first desktop")

        from pikoro_e2e import send_close_request
        send_close_request(d, main_screen)
        time.sleep(1.0)
        check(run.poll() is None and play_screen_in_front(d, main_screen),
              "a close request leaves the play screen running and in front")

        def gesture():
            xdo(env, "mousemove", "60", "60", "keydown", "ctrl", "click", "3", "keyup", "ctrl")

        def name_box():
            return client(d, "終了")

        gesture()
        box = wait_for(name_box, timeout=10)
        check(box is not None and bool(wait_for(lambda: focus_in(d, box), timeout=5)),
              "Ctrl + right-click: the name box has the keyboard")
        xdo(env, "type", "--delay", "30", "papa")
        xdo(env, "key", "Return")
        wrong = wait_for(lambda: client(d, TITLE, big=False), timeout=10)
        check(wrong is not None, "a wrong name shows the message")
        save_shot(env, "lock-wrong-name.png")
        if wrong is not None:
            wait_for(lambda: focus_in(d, wrong), timeout=5)
            xdo(env, "key", "Return")
        check(bool(wait_for(lambda: client(d, TITLE, big=False) is None and
                            play_screen_in_front(d, main_screen), timeout=10)),
              "after the message play goes on in front")
        time.sleep(1.5)
        xdo(env, "key", "alt+Tab")
        time.sleep(0.7)
        check(not os.path.exists(marker(markers, "alt+Tab")) and
              play_screen_in_front(d, main_screen), "the keys are held again after the name box")

        gesture()
        box = wait_for(name_box, timeout=10)
        if box is not None:
            wait_for(lambda: focus_in(d, box), timeout=5)
        xdo(env, "type", "--delay", "30", "mama")
        xdo(env, "key", "Return")
        confirm = wait_for(lambda: client(d, "終了の確認"), timeout=10)
        if confirm is not None:
            wait_for(lambda: focus_in(d, confirm), timeout=5)
        xdo(env, "key", "Return")
        try:
            code = run.wait(timeout=15)
        except subprocess.TimeoutExpired:
            code = None
        check(confirm is not None and code == 0,
              "the right name and Yes end the program (exit code %s)" % code)

        # With the program gone the window manager has its keys back.
        xdo(env, "key", "ctrl+alt+Left")
        check(bool(wait_for(lambda: os.path.exists(marker(markers, "ctrl+alt+Left")), timeout=5)),
              "after the end the window manager's shortcuts work again")
    finally:
        for p in (run, rival, wm):
            if p and p.poll() is None:
                p.kill()
        xvfb.terminate()
        xvfb.wait()
        if not failures:
            shutil.rmtree(work, ignore_errors=True)
        else:
            print("work folder kept:", work)
    print("%d passed, %d failed" % (len(passes), len(failures)))


if __name__ == "__main__":
    main()
    sys.exit(1 if failures else 0)
