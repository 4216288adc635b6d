#!/usr/bin/python3
"""The keyboard lock, end to end: `lock_e2e.py x11|wayland|kiosk PIKORO [KIOSK_SCRIPT]`.

x11 (Openbox): window-manager shortcuts, each bound to also leave a marker file, never act while
the play screen is in front; it keeps focus and top and refuses a close request. Nor do Alt+Tab,
Super and Alt+F4 act while a window that a child's clicks open is over it (消去's and the
mascot's questions, 再生's note, settings, the exit name box), and the other program's window
never gets the focus. The exit
gesture's name box still gets typed names (a wrong one: message, keys held again; the right one
and Yes: the end), after which the shortcuts work again.
wayland (headless sway, run as nobody when root): Super+Return's marker command runs before the
program, never 1.5, 4 or 8 s after the play screen got the focus (also while a second copy runs
in a session of its own), nor while the settings window or the exit name box is open (clicked
with a virtual pointer), and again after the program has ended.
kiosk: the kiosk script runs the program under Cage; ending the program ends the session.
"""
import json
import os
import shutil
import signal
import socket
import struct
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e_common import (close_work, SCREEN, TITLE, check, exit_code, failures, finish, prepare_folders,  # noqa: E402
                        prop, save_shot, send_close_request, start_xvfb, wait_for,
                        window_name, window_origin, x_env, xdo)
from Xlib import X, display  # noqa: E402

USER = "名前=mama\r\n"
BINDINGS = [  # xdotool key, Openbox key, Openbox action
    ("alt+Tab", "A-Tab", '<action name="NextWindow"/>'),
    ("alt+F4", "A-F4", '<action name="Close"/>'),
    ("super", "Super_L", ""),
    ("ctrl+alt+Left", "C-A-Left", '<action name="GoToDesktop"><to>left</to><wrap>yes</wrap></action>'),
    ("alt+space", "A-space", '<action name="ShowMenu"><menu>client-menu</menu></action>'),
]


def client(d, title, big=None):
    """A managed window by name; big: the full-screen one (True) or a small one (False)."""
    for wid in prop(d, d.screen().root, "_NET_CLIENT_LIST_STACKING"):
        w = d.create_resource_object("window", wid)
        if window_name(d, w) != title:
            continue
        try:
            wide = w.get_geometry().width > 1000
        except Exception:  # the window went away meanwhile (the splash closing)
            continue
        if big is None or wide == big:
            return w
    return None


def focus_in(d, w):
    """The X input focus is on w or one of its children."""
    focus = d.get_input_focus().focus
    while focus not in (None, 0, X.NONE) and hasattr(focus, "id"):
        if focus.id == w.id:
            return True
        parent = focus.query_tree().parent
        if parent.id in (0, d.screen().root.id):
            return False
        focus = parent
    return False


# The windows a child's clicks can open over the play screen (at 1920 x 1080): how to open
# each, and whether it may also open nothing (再生 with nothing stored).
CHILD_WINDOWS = [
    ("消去's confirmation", ["mousemove", 1828, 508, "click", 1], False),
    ("再生 with nothing stored", ["mousemove", 1826, 432, "click", 1], True),
    ("the mascot double-click's question",
     ["mousemove", 1405, 855, "click", "--repeat", 2, "--delay", 120, 1], False),
    ("the settings window", ["mousemove", 60, 60, "keydown", "shift", "click", 1, "keyup", "shift"],
     False),
    ("the exit name box", ["mousemove", 60, 60, "keydown", "ctrl", "click", 3, "keyup", "ctrl"],
     False),
]


def shortcuts_held(env, marker, still_ours):
    """Presses Alt+Tab, Super and Alt+F4; for each, whether it missed the window manager and
    still_ours() holds after it."""
    held = []
    for key in ("alt+Tab", "super", "alt+F4"):
        xdo(env, "key", key)
        time.sleep(0.5)
        reached = os.path.exists(marker(key))
        if reached:
            os.remove(marker(key))
        held.append(not reached and still_ours())
    return held


def file_dialog_keeps_keys(d, env, settings, marker, ours_in_front):
    """参照... of the settings window's first tab opens a file dialog of ours, which keeps the
    keys and takes a typed name (it answers that there is no such file in a second window)."""
    def dialogs():
        return [w for w in prop(d, d.screen().root, "_NET_CLIENT_LIST") if window_name(
            d, d.create_resource_object("window", w)) == "BMPファイルの選択"]
    try:
        x, y, width, height = window_origin(d, settings)
    except Exception:  # the settings window is gone (a shortcut closed it)
        return False
    xdo(env, "mousemove", int(x + 0.927 * width), int(y + 0.217 * height), "click", 1)
    held = bool(wait_for(lambda: dialogs() and ours_in_front(), timeout=10)) and all(
        shortcuts_held(env, marker, ours_in_front))
    xdo(env, "type", "--delay", "30", "nosuchfile.bmp")
    xdo(env, "key", "Return")
    typed = bool(wait_for(lambda: len(dialogs()) == 2, timeout=5))
    for key in ("Return", "Escape", "Escape"):
        xdo(env, "key", key)
        if wait_for(lambda: not dialogs(), timeout=2):
            break
    return held and typed and bool(wait_for(ours_in_front, timeout=5)) and focus_in(d, settings)


def our_windows_keep_keys(d, env, run, main, marker, in_front):
    """With each window a child can open over the play screen, Alt+Tab, Super and Alt+F4 reach
    neither the window manager nor the other program: a window of ours stays on top with the
    focus, and the other program's window never gets the focus."""
    rival = client(d, "xlogo") or client(d, "rival")
    rival.change_attributes(event_mask=X.FocusChangeMask)
    d.sync()
    while d.pending_events():
        d.next_event()
    rival_focused = []

    def ours(w):
        return prop(d, w, "_NET_WM_PID") == [run.pid]

    def dialog():
        for wid in prop(d, d.screen().root, "_NET_CLIENT_LIST_STACKING"):
            w = d.create_resource_object("window", wid)
            if wid != main.id and ours(w):
                return w
        return None

    def ours_in_front():
        while d.pending_events():
            if d.next_event().type == X.FocusIn:
                rival_focused.append(True)
        stacking = prop(d, d.screen().root, "_NET_CLIENT_LIST_STACKING")
        top = d.create_resource_object("window", stacking[-1]) if stacking else None
        return top is not None and ours(top) and focus_in(d, top) and not rival_focused

    for number, (name, opening, may_open_nothing) in enumerate(CHILD_WINDOWS):
        rival_focused.clear()
        xdo(env, *opening)
        box = wait_for(dialog, timeout=3 if may_open_nothing else 10)
        if not box and not check(may_open_nothing, "%s opens over the play screen" % name):
            continue
        held = shortcuts_held(env, marker, lambda: run.poll() is None and ours_in_front())
        check(all(held), "with %s open, Alt+Tab, Super and Alt+F4 (%s) reach neither the window "
              "manager nor the other program" % (name, held))
        if not box:
            continue
        if name == "the settings window":
            check(file_dialog_keeps_keys(d, env, box, marker, ours_in_front),
                  "the settings window's file dialog keeps the keys and takes a typed name")
        if name == "the exit name box":
            intruder = subprocess.Popen(["xlogo", "-name", "intruder"], env=env,
                                        stderr=subprocess.DEVNULL)
            time.sleep(0.5)  # mapped, and given the focus by the window manager
            check(bool(wait_for(ours_in_front, timeout=5)), "a program that opens a window then "
                  "does not keep the focus: %s has it back" % name)
            intruder.kill()
        save_shot(env, "lock-over-%d.png" % number)
        if name == "the settings window" and dialog() == box:  # OK clicked with the mouse
            x, y, width, height = window_origin(d, box)
            xdo(env, "mousemove", int(x + 0.70 * width), int(y + 0.907 * height), "click", 1)
        else:
            xdo(env, "key", "Escape")
        closed = wait_for(lambda: dialog() is None and in_front(), timeout=10)
        if not closed:  # a box of today's code left behind: out of the way for the next
            xdo(env, "key", "Escape")
        check(bool(closed), "%s closed: the play screen is in front again" % name)


def x11_run(executable):
    work, program, config, runtime = prepare_folders(executable, "pikoro-e2e-lock-", USER)
    marker = lambda key: os.path.join(work, "marker-" + key.replace("+", "-"))  # noqa: E731
    binds = "".join('<keybind key="%s"><action name="Execute"><command>touch %s</command></action>'
                    '%s</keybind>' % (box_key, marker(key), action)
                    for key, box_key, action in BINDINGS)
    with open(os.path.join(work, "rc.xml"), "w") as f:
        f.write('<?xml version="1.0"?><openbox_config xmlns="http://openbox.org/3.4/rc">'
                "<desktops><number>2</number></desktops><focus><focusNew>yes</focusNew></focus>"
                "<keyboard>%s</keyboard></openbox_config>" % binds)
    xvfb, disp = start_xvfb()
    env = x_env(disp, config, runtime)
    procs = []
    try:
        d = display.Display(disp)
        procs.append(subprocess.Popen(["openbox", "--config-file", os.path.join(work, "rc.xml")],
                                      env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        check(bool(wait_for(lambda: prop(d, d.screen().root, "_NET_SUPPORTING_WM_CHECK"))),
              "Openbox manages the screen")
        # Another program's window, for Alt+Tab to switch to.
        procs.append(subprocess.Popen(["xlogo", "-name", "rival"], env=env, stderr=subprocess.DEVNULL))
        wait_for(lambda: client(d, "xlogo") or client(d, "rival"), timeout=10)
        run = subprocess.Popen([program], env=env, stdout=subprocess.DEVNULL,
                               stderr=open(os.path.join(work, "lock.log"), "w"))
        procs.append(run)
        main = wait_for(lambda: client(d, TITLE, big=True))
        if not check(main is not None, "play screen shown under Openbox"):
            return

        def in_front():
            stacking = prop(d, d.screen().root, "_NET_CLIENT_LIST_STACKING")
            return focus_in(d, main) and bool(stacking) and stacking[-1] == main.id

        def key_held(key):
            xdo(env, "key", key)
            time.sleep(0.7)
            return not os.path.exists(marker(key)) and run.poll() is None and in_front()

        check(bool(wait_for(in_front)), "play screen in front")
        in_front_at = time.monotonic()
        time.sleep(1.5)  # the grab is asked for again every second
        for key, _, _ in BINDINGS:
            check(key_held(key), "%s does not reach the window manager; the play screen keeps "
                  "focus and top" % key)
            xdo(env, "key", "Escape")
        # Past the start-up (opening picture and piece, splash gone) the grab still holds.
        time.sleep(max(0.0, in_front_at + 8 - time.monotonic()))
        check(key_held("super"), "8 s after the play screen came to the front Super still does "
              "not reach the WM")
        save_shot(env, "lock-after-shortcuts.png")
        check(prop(d, d.screen().root, "_NET_CURRENT_DESKTOP") == [0], "still on the first desktop")
        send_close_request(d, main)
        time.sleep(1.0)
        check(run.poll() is None and in_front(), "a close request leaves the play screen running "
              "and in front")
        our_windows_keep_keys(d, env, run, main, marker, in_front)

        def answer_name_box(name):
            """Ctrl + right-click, then types name into the box; returns whether it had the keys."""
            xdo(env, "mousemove", "60", "60", "keydown", "ctrl", "click", "3", "keyup", "ctrl")
            box = wait_for(lambda: client(d, "終了"), timeout=10)
            focused = box is not None and bool(wait_for(lambda: focus_in(d, box), timeout=5))
            xdo(env, "type", "--delay", "30", name)
            xdo(env, "key", "Return")
            return focused

        check(answer_name_box("papa"), "Ctrl + right-click: the name box has the keyboard")
        wrong = wait_for(lambda: client(d, TITLE, big=False), timeout=10)
        check(wrong is not None, "a wrong name shows the message")
        save_shot(env, "lock-wrong-name.png")
        if wrong is not None:
            wait_for(lambda: focus_in(d, wrong), timeout=5)
            xdo(env, "key", "Return")
        check(bool(wait_for(lambda: client(d, TITLE, big=False) is None and in_front(), timeout=10)),
              "after the message play goes on in front")
        time.sleep(1.5)
        check(key_held("alt+Tab"), "the keys are held again after the name box")

        answer_name_box("mama")
        confirm = wait_for(lambda: client(d, "終了の確認"), timeout=10)
        if confirm is not None:
            wait_for(lambda: focus_in(d, confirm), timeout=5)
        xdo(env, "key", "Return")
        code = exit_code(run, 15)
        check(confirm is not None and code == 0,
              "the right name and Yes end the program (exit code %s)" % code)
        xdo(env, "key", "ctrl+alt+Left")
        check(bool(wait_for(lambda: os.path.exists(marker("ctrl+alt+Left")), timeout=5)),
              "after the end the window manager's shortcuts work again")
        os.remove(marker("ctrl+alt+Left"))

        # A start that shows the instructions first: they keep the keys, before the play screen.
        with open(os.path.join(config, "pikoro", "pikoro.ini"), "w", encoding="utf-8") as f:
            f.write("[ユーザー登録]\r\n" + USER)
        again = subprocess.Popen([program], env=env, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
        procs.append(again)
        note = wait_for(lambda: client(d, "メッセージ"), timeout=20)
        held = note is not None and bool(wait_for(lambda: focus_in(d, note), timeout=5)) and all(
            shortcuts_held(env, marker, lambda: focus_in(d, note)))
        check(held, "the instructions at the start keep Alt+Tab, Super and Alt+F4 from the window "
              "manager and keep the focus")
        xdo(env, "key", "Return")
        check(bool(wait_for(lambda: client(d, TITLE, big=True) is not None and
                            client(d, "メッセージ") is None, timeout=15)),
              "after the instructions the play screen comes")
    finally:
        for p in procs:
            if p.poll() is None:
                p.kill()
        xvfb.terminate()
        xvfb.wait()
        close_work(work)


class WaylandSession:
    """The program and its settings in a work folder owned by the user the compositor runs as."""

    def __init__(self, executable, prefix):
        self.work, self.program, self.config, self.runtime = prepare_folders(executable, prefix,
                                                                             USER)
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
        return next((n for n in os.listdir(self.runtime)
                     if n.startswith(pattern) and not n.endswith(".lock")), None)

    def program_pids(self):
        """The program's own processes, oldest first."""
        pids = []
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                if os.readlink("/proc/%s/exe" % pid) == os.path.realpath(self.program):
                    pids.append(int(pid))
            except OSError:
                pass
        return pids

    def program_pid(self):
        return next(iter(self.program_pids()), None)


class VirtualPointer:
    """A mouse for a wlroots compositor that has no input devices: the protocol
    wlr-virtual-pointer-unstable-v1, spoken on the wire. The device lives as long as the
    connection."""
    BUTTONS = {1: 0x110, 3: 0x111}  # evdev BTN_LEFT, BTN_RIGHT

    def __init__(self, path):
        self.socket = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.socket.connect(path)
        self.last_id = 1  # the display
        self.received = b""
        registry = self.new_id()
        self.send(1, 1, registry)  # wl_display.get_registry
        globals_ = {}
        for opcode, body in self.roundtrip(registry):
            if opcode == 0:  # wl_registry.global: name, interface, version
                length = struct.unpack_from("<I", body, 4)[0]
                globals_[body[8:8 + length - 1].decode()] = struct.unpack_from("<I", body)[0]
        interface = b"zwlr_virtual_pointer_manager_v1"
        manager = self.new_id()
        padded = interface + b"\0" * (4 - len(interface) % 4)
        self.send(2, 0, globals_[interface.decode()], len(interface) + 1, padded, 1, manager)
        self.pointer = self.new_id()
        self.send(manager, 0, 0, self.pointer)  # create_virtual_pointer(default seat)
        list(self.roundtrip(None))

    def new_id(self):
        self.last_id += 1
        return self.last_id

    def send(self, target, opcode, *args):
        body = b"".join(a if isinstance(a, bytes) else struct.pack("<I", a) for a in args)
        self.socket.sendall(struct.pack("<II", target, (len(body) + 8) << 16 | opcode) + body)

    def roundtrip(self, listen_to):
        """Events for listen_to until the compositor has handled every request sent before."""
        callback = self.new_id()
        self.send(1, 0, callback)  # wl_display.sync
        while True:
            while len(self.received) < 8 or len(self.received) < struct.unpack_from(
                    "<I", self.received, 4)[0] >> 16:
                self.received += self.socket.recv(65536)
            target, size_opcode = struct.unpack_from("<II", self.received)
            body = self.received[8:size_opcode >> 16]
            self.received = self.received[size_opcode >> 16:]
            if target == callback:
                return
            if target == listen_to:
                yield size_opcode & 0xFFFF, body

    def click(self, x, y, button, screen=SCREEN):
        now = int(time.monotonic() * 1000) & 0xFFFFFFFF
        self.send(self.pointer, 1, now, x, y, *screen)  # motion_absolute
        self.send(self.pointer, 4)  # frame
        for state in (1, 0):  # pressed, released
            self.send(self.pointer, 2, now + 100 - 50 * state, self.BUTTONS[button], state)
            self.send(self.pointer, 4)
        list(self.roundtrip(None))


def stop_all(*procs):
    for p in procs:
        if p and p.poll() is None:
            p.terminate()
            try:
                p.wait(timeout=5)
            except subprocess.TimeoutExpired:
                p.kill()


def wayland_run(executable):
    session = WaylandSession(executable, "pikoro-e2e-wayland-")
    marker = os.path.join(session.work, "marker")
    with open(os.path.join(session.work, "sway.conf"), "w") as f:
        f.write("bindsym Mod4+Return exec touch %s\n" % marker)
    sway = play = other = None
    try:
        sway = session.start("sway", "-c", os.path.join(session.work, "sway.conf"), log="sway.log")
        display_name = wait_for(lambda: session.socket("wayland-"), timeout=15)
        ipc = wait_for(lambda: session.socket("sway-ipc."), timeout=15)
        if not check(bool(display_name and ipc), "sway runs headless"):
            return
        pointer = VirtualPointer(os.path.join(session.runtime, display_name))

        def super_return():
            """Whether Super+Return reached sway; removes the marker it left."""
            session.run("wtype", "-M", "logo", "-k", "Return", "-m", "logo",
                        WAYLAND_DISPLAY=display_name)
            reached = bool(wait_for(lambda: os.path.exists(marker), timeout=2))
            if reached:
                os.remove(marker)
            return reached

        def node(matches):
            tree = session.run("swaymsg", "-s", os.path.join(session.runtime, ipc), "-r",
                               "-t", "get_tree")
            nodes = [json.loads(tree.stdout or b"{}")]
            while nodes:
                found = nodes.pop()
                if matches(found):
                    return found
                nodes += found.get("nodes", []) + found.get("floating_nodes", [])
            return None

        def focused_name():
            return (node(lambda n: n.get("focused")) or {}).get("name")

        def play_screen_focused():
            return focused_name() == TITLE

        def window_keeps_keys(name, title, modifier, button):
            """A modifier and a click on the background open the window; Super+Return does not
            reach sway while it is open; Esc closes it."""
            holding = session.start("wtype", "-M", modifier, "-s", "1500", "-m", modifier,
                                    log="wtype.log", WAYLAND_DISPLAY=display_name)
            wait_for(lambda: b'"keyboard"' in session.run(
                "swaymsg", "-s", os.path.join(session.runtime, ipc), "-t", "get_seats").stdout,
                timeout=5, step=0.05)
            time.sleep(0.3)  # the modifier is down
            pointer.click(60, 60, button)
            exit_code(holding, 5)
            if not check(bool(wait_for(lambda: node(lambda n: n.get("name") == title),
                                       timeout=10)), "%s opens" % name):
                return
            # Over the full-screen play screen sway leaves the keyboard focus on it.
            check(not super_return(), "with %s open Super+Return does not reach sway" % name)
            session.run("wtype", "-k", "Escape", WAYLAND_DISPLAY=display_name)
            check(bool(wait_for(play_screen_focused, timeout=10)),
                  "%s closed: the play screen has the focus again" % name)

        check(super_return(), "before the program Super+Return runs the marker command")
        play = session.start(session.program, log="pikoro.log", WAYLAND_DISPLAY=display_name,
                             QT_QPA_PLATFORM="wayland")
        check(bool(wait_for(play_screen_focused, timeout=20)), "the play screen has the focus")
        entries = os.listdir(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                          "assets", "desktop"))
        app_id = node(lambda n: n.get("name") == TITLE).get("app_id")
        check(app_id + ".desktop" in entries, "the app id %s names the desktop entry (so GNOME "
              "can keep the parent's answer)" % app_id)
        pid = session.program_pid()
        focused_at = time.monotonic()
        # The second copy: same user, a runtime folder of its own, no display of ours.
        other_runtime = os.path.join(session.work, "other-runtime")
        os.makedirs(other_runtime, mode=0o700)
        if session.user:
            os.chown(other_runtime, 65534, -1)
        for moment in (1.5, 4, 8):
            time.sleep(max(0.0, focused_at + moment - time.monotonic()))
            check(not super_return() and play.poll() is None,
                  "%g s after the play screen got the focus Super+Return does not reach sway"
                  % moment)
            if other is None:
                other = session.start(session.program, log="other.log", QT_QPA_PLATFORM="offscreen",
                                      XDG_RUNTIME_DIR=other_runtime)
                check(bool(wait_for(lambda: len(session.program_pids()) > 1, timeout=10)),
                      "a copy of the program runs for the same user in another session")
        for other_pid in set(session.program_pids()) - {pid}:
            os.kill(other_pid, signal.SIGKILL)
        # Windows a child's clicks open over the play screen ask for the inhibitor too.
        window_keeps_keys("the settings window", "設定", "shift", 1)
        check(not super_return() and play.poll() is None,
              "back on the play screen Super+Return does not reach sway")
        if pid:
            os.kill(pid, signal.SIGTERM)
        check(bool(wait_for(lambda: play.poll() is not None, timeout=10)), "SIGTERM ends the program")
        check(super_return(), "after the program Super+Return runs the marker command again")
        # A second run for the next window: here sway passed no second gesture to a play
        # screen that a closed window had been over (not looked into further).
        play = session.start(session.program, log="pikoro2.log", WAYLAND_DISPLAY=display_name,
                             QT_QPA_PLATFORM="wayland")
        if check(bool(wait_for(play_screen_focused, timeout=20)), "started again"):
            window_keeps_keys("the exit name box", "終了", "ctrl", 3)
    finally:
        stop_all(play, other, sway)
        close_work(session.work)


def kiosk_run(executable, script):
    session = WaylandSession(executable, "pikoro-e2e-kiosk-")
    # The session's user may not enter the build tree (a checkout in a private folder): it runs
    # a copy of the start script from its own work folder.
    own_script = os.path.join(session.work, "pikoro-kiosk")
    shutil.copy(script, own_script)
    if session.user:
        os.chown(own_script, 65534, -1)
    kiosk = None
    try:
        kiosk = session.start("sh", own_script, log="cage.log", PIKORO_PROGRAM=session.program)
        pid = wait_for(session.program_pid, timeout=20)
        check(pid is not None and kiosk.poll() is None, "the kiosk session runs the program in Cage")
        if pid:
            time.sleep(1.0)
            os.kill(pid, signal.SIGTERM)
        check(bool(wait_for(lambda: kiosk.poll() is not None, timeout=10)),
              "ending the program ends the kiosk session")
    finally:
        stop_all(kiosk)
        close_work(session.work)


if __name__ == "__main__":
    {"x11": lambda: x11_run(sys.argv[2]), "wayland": lambda: wayland_run(sys.argv[2]),
     "kiosk": lambda: kiosk_run(sys.argv[2], sys.argv[3])}[sys.argv[1]]()
    finish()
