#!/usr/bin/python3
"""End-to-end runs of the keyboard lock: `lock_e2e.py x11|wayland|kiosk PIKORO [KIOSK_SCRIPT]`.

x11: under a real window manager (Openbox).

Openbox gets bindings for Alt+Tab, Alt+F4, Super, Ctrl+Alt+Left and Alt+Space that each also
leave a marker file. While the play screen is in front none of them may act: no marker, the
program keeps the input focus and stays on top, and a close request is refused. The exit
gesture's name box still gets the typed name: a wrong one shows its message and play goes on
with the keys held again; the right one and Yes end the program. After that the same keys reach
the window manager again, which shows both that the bindings work and that the grab died with
the program.

wayland: under sway (headless, as an unprivileged user when run as root), Super+Return is bound
to a marker command. It runs before the program starts, never while the play screen has the
focus (tried 1.5, 4 and 8 s after it got the focus, past the start-up, and while a copy of the
program runs for the same user in another session), and again after the program has ended.

kiosk: the kiosk start script runs the program under Cage (headless); ending the program ends
the session.
"""
import json
import os
import shutil
import signal
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


def x11_run(executable):
    work, app_folder, program, config = prepare_folders(executable, "pikoro-e2e-lock-")
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
        in_front_at = time.monotonic()
        time.sleep(1.5)  # the grab is asked for again every second

        for key, _, _ in BINDINGS:
            xdo(env, "key", key)
            time.sleep(0.7)
            check(not os.path.exists(marker(markers, key)) and run.poll() is None and
                  play_screen_in_front(d, main_screen),
                  "%s does not reach the window manager; the play screen keeps focus and top" % key)
            xdo(env, "key", "Escape")
        # Past the start-up (opening picture and piece, splash gone) the grab still holds.
        time.sleep(max(0.0, in_front_at + 8 - time.monotonic()))
        xdo(env, "key", "super")
        time.sleep(0.7)
        check(not os.path.exists(marker(markers, "super")) and play_screen_in_front(d, main_screen),
              "8 s after the play screen came to the front Super still does not reach the WM")
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


class WaylandSession:
    """A throw-away folder owned by the user the compositor runs as, with the program, its
    settings (instructions off, user name "mama") and a runtime folder."""

    def __init__(self, executable, prefix):
        self.work, _, self.program, self.config = prepare_folders(executable, prefix)
        with open(os.path.join(self.config, "pikoro", "pikoro.ini"), "a", encoding="utf-8") as f:
            f.write("名前=mama\r\n")
        self.runtime = os.path.join(self.work, "runtime")
        os.makedirs(self.runtime, mode=0o700)
        self.user = []
        if os.geteuid() == 0:  # compositors refuse to run as root
            self.user = ["runuser", "-u", "nobody", "--"]
            for folder, _, files in os.walk(self.work):
                for name in [folder] + [os.path.join(folder, f) for f in files]:
                    os.chown(name, 65534, -1)
            os.chmod(self.work, 0o755)
        self.env = {"PATH": "/usr/bin:/bin", "HOME": self.work, "XDG_RUNTIME_DIR": self.runtime,
                    "XDG_CONFIG_HOME": self.config, "SDL_AUDIODRIVER": "dummy",
                    "WLR_BACKENDS": "headless", "WLR_LIBINPUT_NO_DEVICES": "1",
                    "WLR_RENDERER": "pixman"}

    def command(self, *args, **extra):
        env = dict(self.env, **extra)
        return self.user + ["env", "-i"] + ["%s=%s" % kv for kv in env.items()] + list(args)

    def start(self, *args, log, **extra):
        return subprocess.Popen(self.command(*args, **extra), stdout=subprocess.DEVNULL,
                                stderr=open(os.path.join(self.work, log), "w"))

    def run(self, *args, **extra):
        return subprocess.run(self.command(*args, **extra), capture_output=True, timeout=20)

    def socket(self, pattern):
        names = [n for n in os.listdir(self.runtime) if n.startswith(pattern)
                 and not n.endswith(".lock")]
        return names[0] if names else None

    def program_pids(self):
        """The program's own processes (the script and the compositor stand before them)."""
        pids = []
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                if os.readlink("/proc/%s/exe" % pid) == os.path.realpath(self.program):
                    pids.append(int(pid))
            except OSError:
                pass
        return pids

    def program_pid(self):
        pids = self.program_pids()
        return pids[0] if pids else None

    def close(self, keep):
        if keep:
            print("work folder kept:", self.work)
        else:
            shutil.rmtree(self.work, ignore_errors=True)


def wayland_run(executable):
    session = WaylandSession(executable, "pikoro-e2e-wayland-")
    marker_file = os.path.join(session.work, "marker")
    with open(os.path.join(session.work, "sway.conf"), "w") as f:
        f.write("bindsym Mod4+Return exec touch %s\n" % marker_file)
    sway = play = other = None
    try:
        sway = session.start("sway", "-c", os.path.join(session.work, "sway.conf"), log="sway.log")
        display_name = wait_for(lambda: session.socket("wayland-"), timeout=15)
        ipc = wait_for(lambda: session.socket("sway-ipc."), timeout=15)
        check(bool(display_name and ipc), "sway runs headless")
        if not (display_name and ipc):
            return

        def super_return():
            session.run("wtype", "-M", "logo", "-k", "Return", "-m", "logo",
                        WAYLAND_DISPLAY=display_name)
            return wait_for(lambda: os.path.exists(marker_file), timeout=2)

        check(bool(super_return()), "before the program Super+Return runs the marker command")
        os.remove(marker_file)

        def play_screen_focused():
            tree = session.run("swaymsg", "-s", os.path.join(session.runtime, ipc), "-r",
                               "-t", "get_tree")
            nodes = [json.loads(tree.stdout or b"{}")]
            while nodes:
                node = nodes.pop()
                if node.get("focused") and node.get("name") == TITLE:
                    return True
                nodes += node.get("nodes", []) + node.get("floating_nodes", [])
            return False

        play = session.start(session.program, log="pikoro.log", WAYLAND_DISPLAY=display_name,
                             QT_QPA_PLATFORM="wayland")
        check(bool(wait_for(play_screen_focused, timeout=20)), "the play screen has the focus")
        pid = session.program_pid()
        # The inhibitor must outlast the start-up and a copy of the program that the same user
        # starts in a session of its own (a runtime folder of its own, no display of ours).
        focused_at = time.monotonic()
        other_runtime = os.path.join(session.work, "other-runtime")
        os.makedirs(other_runtime, mode=0o700)
        if session.user:
            os.chown(other_runtime, 65534, -1)
        other = None
        for moment in (1.5, 4, 8):
            time.sleep(max(0.0, focused_at + moment - time.monotonic()))
            check(not super_return() and play.poll() is None,
                  "%g s after the play screen got the focus Super+Return does not reach sway"
                  % moment)
            if os.path.exists(marker_file):
                os.remove(marker_file)
            if other is None:
                other = session.start(session.program, log="other.log", QT_QPA_PLATFORM="offscreen",
                                      XDG_RUNTIME_DIR=other_runtime)
                check(bool(wait_for(lambda: len(session.program_pids()) > 1, timeout=10)),
                      "a copy of the program runs for the same user in another session")
        for other_pid in set(session.program_pids()) - {pid}:
            os.kill(other_pid, signal.SIGKILL)
        if pid:
            os.kill(pid, signal.SIGTERM)
        check(bool(wait_for(lambda: play.poll() is not None, timeout=10)), "SIGTERM ends the program")
        check(bool(super_return()), "after the program Super+Return runs the marker command again")
    finally:
        for p in (play, other, sway):
            if p and p.poll() is None:
                p.terminate()
                try:
                    p.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    p.kill()
        session.close(keep=bool(failures))


def kiosk_run(executable, script):
    session = WaylandSession(executable, "pikoro-e2e-kiosk-")
    kiosk = None
    try:
        kiosk = session.start("sh", script, log="cage.log", PIKORO_PROGRAM=session.program)
        pid = wait_for(session.program_pid, timeout=20)
        check(pid is not None and kiosk.poll() is None, "the kiosk session runs the program in Cage")
        if pid:
            time.sleep(1.0)
            os.kill(pid, signal.SIGTERM)
        check(bool(wait_for(lambda: kiosk.poll() is not None, timeout=10)),
              "ending the program ends the kiosk session")
    finally:
        if kiosk and kiosk.poll() is None:
            kiosk.terminate()
            kiosk.wait(timeout=5)
        session.close(keep=bool(failures))


if __name__ == "__main__":
    mode = sys.argv[1]
    if mode == "x11":
        x11_run(sys.argv[2])
    elif mode == "wayland":
        wayland_run(sys.argv[2])
    elif mode == "kiosk":
        kiosk_run(sys.argv[2], sys.argv[3])
    print("%d passed, %d failed" % (len(passes), len(failures)))
    sys.exit(1 if failures else 0)
