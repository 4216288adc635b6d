#!/usr/bin/python3
"""The keyboard lock, end to end: `lock_e2e.py x11|wayland|kiosk PIKORO [KIOSK_SCRIPT]`, or
`lock_e2e.py mutter|gnome-shell|kwin PIKORO STARTS` (see desktop_run).

x11 (Openbox): window-manager shortcuts, each bound to also leave a marker file, never act while
the play screen is in front; it keeps focus and top. Nor do Alt+Tab, Super and Alt+F4 act while
the settings window or the exit name box is over it, and the other program's window never gets
the focus. After the end the shortcuts work again.
wayland (headless sway, run as nobody when root): Super+Return's marker command runs before the
program, never 1.5, 4 or 8 s after the play screen got the focus, nor while the settings window
is open (clicked with a virtual pointer), and again after the program has ended.
kiosk: the kiosk script runs the program under Cage; ending the program ends the session.
"""
import json
import os
import re
import shutil
import signal
import socket
import struct
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e_common import (close_work, SCREEN, TITLE, check, exit_code, failures, finish, prepare_folders,  # noqa: E402
                        prop, save_shot, start_xvfb, wait_for,
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
    ("the settings window", ["mousemove", 60, 60, "keydown", "shift", "click", 1, "keyup", "shift"]),
    ("the exit name box", ["mousemove", 60, 60, "keydown", "ctrl", "click", 3, "keyup", "ctrl"]),
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

    for number, (name, opening) in enumerate(CHILD_WINDOWS):
        rival_focused.clear()
        xdo(env, *opening)
        box = wait_for(dialog, timeout=10)
        if not check(box is not None, "%s opens over the play screen" % name):
            continue
        held = shortcuts_held(env, marker, lambda: run.poll() is None and ours_in_front())
        check(all(held), "with %s open, Alt+Tab, Super and Alt+F4 (%s) reach neither the window "
              "manager nor the other program" % (name, held))
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
            xdo(env, "mousemove", int(x + 0.842 * width), int(y + 0.960 * height), "click", 1)
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
        our_windows_keep_keys(d, env, run, main, marker, in_front)
        # The exit itself, and the close request it refuses, are the gate's and start-up's runs.
        run.terminate()
        exit_code(run, 15)
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


class Wire:
    """A Wayland client spoken on the wire, for the input protocols a test needs; the device it
    makes lives as long as the connection."""

    def __init__(self, path):
        self.socket = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.socket.connect(path)
        self.last_id = 1  # the display
        self.received = b""
        registry = self.new_id()
        self.send(1, 1, registry)  # wl_display.get_registry
        self.globals = {}
        for opcode, body in self.roundtrip(registry):
            if opcode == 0:  # wl_registry.global: name, interface, version
                length = struct.unpack_from("<I", body, 4)[0]
                self.globals[body[8:8 + length - 1].decode()] = struct.unpack_from("<I", body)[0]

    @staticmethod
    def string(text):
        data = text.encode() + b"\0"
        return struct.pack("<I", len(data)) + data + b"\0" * (-len(data) % 4)

    def bind(self, interface, version):
        new = self.new_id()
        self.send(2, 0, self.globals[interface], self.string(interface), version, new)
        return new

    def new_id(self):
        self.last_id += 1
        return self.last_id

    def send(self, target, opcode, *args):
        body = b"".join(a if isinstance(a, bytes) else struct.pack("<I", a) for a in args)
        self.socket.sendall(struct.pack("<II", target, (len(body) + 8) << 16 | opcode) + body)

    def roundtrip(self, listen_to=None):
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


class VirtualPointer(Wire):
    """A mouse for a wlroots compositor that has no input devices (wlr-virtual-pointer)."""
    BUTTONS = {1: 0x110, 3: 0x111}  # evdev BTN_LEFT, BTN_RIGHT

    def __init__(self, path):
        super().__init__(path)
        manager = self.bind("zwlr_virtual_pointer_manager_v1", 1)
        self.pointer = self.new_id()
        self.send(manager, 0, 0, self.pointer)  # create_virtual_pointer(default seat)
        list(self.roundtrip())

    def click(self, x, y, button, screen=SCREEN):
        now = int(time.monotonic() * 1000) & 0xFFFFFFFF
        self.send(self.pointer, 1, now, x, y, *screen)  # motion_absolute
        self.send(self.pointer, 4)  # frame
        for state in (1, 0):  # pressed, released
            self.send(self.pointer, 2, now + 100 - 50 * state, self.BUTTONS[button], state)
            self.send(self.pointer, 4)
        list(self.roundtrip())


def end_session(runtime):
    """Ends what the session left behind (runuser passes no signal on; D-Bus starts helpers of
    its own): every process that carries its runtime folder."""
    mark = ("XDG_RUNTIME_DIR=%s\0" % runtime).encode()
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/environ" % pid, "rb") as f:
                if mark in f.read():
                    os.kill(int(pid), signal.SIGKILL)
        except OSError:
            pass


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
    sway = play = None
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
        for moment in (1.5, 4, 8):
            time.sleep(max(0.0, focused_at + moment - time.monotonic()))
            check(not super_return() and play.poll() is None,
                  "%g s after the play screen got the focus Super+Return does not reach sway"
                  % moment)
        # Windows a child's clicks open over the play screen ask for the inhibitor too.
        window_keeps_keys("the settings window", "設定", "shift", 1)
        check(not super_return() and play.poll() is None,
              "back on the play screen Super+Return does not reach sway")
        if pid:
            os.kill(pid, signal.SIGTERM)
        check(bool(wait_for(lambda: play.poll() is not None, timeout=10)), "SIGTERM ends the program")
        check(super_return(), "after the program Super+Return runs the marker command again")
    finally:
        stop_all(play, sway)
        end_session(session.runtime)
        close_work(session.work)


# Keys typed into the compositor itself: X keysym (mutter's remote desktop) and evdev code
# (KWin's fake input).
KEYS = {"Shift_L": (0xffe1, 42), "Alt_L": (0xffe9, 56), "Tab": (0xff09, 15),
        "Super_L": (0xffeb, 125), "Escape": (0xff1b, 1), "Return": (0xff0d, 28)}


def peer(compositor):
    """Runs inside the desktop session: two windows of another program, whose focus changes it
    prints ("focus rival"), and the keys it reads from its input, typed into the compositor,
    each line a chord ("Alt_L Tab"), answered with "ok"."""
    import faulthandler
    import gi
    faulthandler.dump_traceback_later(30)  # where it hangs, into the work folder's peer.log
    gi.require_version("Gtk", "4.0")
    from gi.repository import Gio, GLib, Gtk
    Gtk.init()
    for title in ("rival", "other"):
        window = Gtk.Window(title=title)
        window.connect("notify::is-active", lambda w, _: print(
            "focus" if w.is_active() else "blur", w.get_title(), flush=True))
        window.present()
    if compositor == "kwin":
        wire = Wire(os.path.join(os.environ["XDG_RUNTIME_DIR"], os.environ["WAYLAND_DISPLAY"]))
        fake = wire.bind("org_kde_kwin_fake_input", 4)
        wire.send(fake, 0, wire.string("lock test"), wire.string("types keys"))  # authenticate

        def key(name, down):
            wire.send(fake, 10, KEYS[name][1], int(down))  # keyboard_key
            list(wire.roundtrip())
    else:
        bus = Gio.bus_get_sync(Gio.BusType.SESSION)

        def call(path, method, args=None, interface="org.gnome.Mutter.RemoteDesktop.Session"):
            return bus.call_sync("org.gnome.Mutter.RemoteDesktop", path, interface, method, args,
                                 None, 0, -1, None)
        session = call("/org/gnome/Mutter/RemoteDesktop", "CreateSession",
                       interface="org.gnome.Mutter.RemoteDesktop").unpack()[0]
        call(session, "Start")

        def key(name, down):
            call(session, "NotifyKeyboardKeysym", GLib.Variant("(ub)", (KEYS[name][0], down)))

    def typed(*_):
        keys = sys.stdin.readline().split()
        if not keys:
            GLib.MainLoop().quit()
            sys.exit(0)
        for name in keys:
            key(name, True)
        time.sleep(0.05)
        for name in reversed(keys):
            key(name, False)
        print("ok", flush=True)
        return True
    key("Shift_L", True)  # the virtual keyboard appears at its first key
    key("Shift_L", False)
    GLib.io_add_watch(sys.stdin.fileno(), GLib.IO_IN, typed)
    faulthandler.cancel_dump_traceback_later()
    print("ready", flush=True)
    GLib.MainLoop().run()


def desktop_run(executable, desktop, starts):
    """mutter, gnome-shell or kwin headless, keys typed into the compositor: Alt+Tab switches
    another program's windows before the program, never while its play screen is in front."""
    session = WaylandSession(executable, "pikoro-e2e-%s-" % desktop)
    script = os.path.join(session.work, "session.sh")
    compositor = {"mutter": "mutter --wayland --headless --no-x11 --virtual-monitor 1920x1080 "
                            "--wayland-display wayland-lock",
                  "gnome-shell": "gnome-shell --wayland --headless --no-x11 --virtual-monitor "
                                 "1920x1080 --wayland-display wayland-lock",
                  # it starts the script with Xwayland's display
                  "kwin": "$HOME/kwin_wayland --virtual --xwayland --width 1920 --height 1080 "
                          "--socket wayland-lock $HOME/display.sh"}[desktop]
    with open(script, "w") as f:
        # gnome-shell wants a system bus too: a private one.
        f.write('export DBUS_SYSTEM_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS"\n'
                'exec dbus-run-session -- sh -c \'echo "$DBUS_SESSION_BUS_ADDRESS" > $HOME/bus; '
                'exec %s\'\n' % compositor)
    with open(os.path.join(session.work, "display.sh"), "w") as f:
        f.write('#!/bin/sh\necho "$DISPLAY" > "$HOME/display"\n')
    os.chmod(os.path.join(session.work, "display.sh"), 0o755)
    for name in ("lock_e2e.py", "e2e_common.py"):
        shutil.copy(os.path.join(os.path.dirname(os.path.abspath(__file__)), name), session.work)
    if desktop == "kwin":  # a copy without the file capability this container cannot grant
        shutil.copy("/usr/bin/kwin_wayland", session.work)
    if session.user:
        for name in os.listdir(session.work):
            os.chown(os.path.join(session.work, name), 65534, -1)
    procs = []
    try:
        procs.append(session.start("dbus-run-session", "--", "sh", script, log="desktop.log",
                                   KWIN_WAYLAND_NO_PERMISSION_CHECKS="1"))
        bus_file = os.path.join(session.work, "bus")
        if not check(bool(wait_for(lambda: session.socket("wayland-lock") and os.path.exists(
                bus_file), timeout=20)), "%s runs headless" % desktop):
            return
        time.sleep(0.5)
        with open(bus_file) as f:
            env = dict(WAYLAND_DISPLAY="wayland-lock", DBUS_SESSION_BUS_ADDRESS=f.read().strip(),
                       GSK_RENDERER="cairo", GTK_A11Y="none")
        peer_proc = subprocess.Popen(
            session.command("python3", os.path.join(session.work, "lock_e2e.py"), "peer", desktop,
                            **env), stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True,
            stderr=open(os.path.join(session.work, "peer.log"), "w"))
        procs.append(peer_proc)
        said = []
        threading.Thread(target=lambda: said.extend(peer_proc.stdout), daemon=True).start()
        # A desktop still starting its own services on a loaded machine may keep a new
        # program's first connection waiting a while.
        if not check(bool(wait_for(lambda: "ready\n" in said, timeout=80)),
                     "another program's windows and the keyboard are ready"):
            return

        def typed(*keys):
            done = said.count("ok\n") + 1
            peer_proc.stdin.write(" ".join(keys) + "\n")
            peer_proc.stdin.flush()
            wait_for(lambda: said.count("ok\n") >= done, timeout=5)

        def alt_tab_reached():
            """Alt+Tab; whether it switched to another window."""
            before = len(said)
            typed("Alt_L", "Tab")
            return bool(wait_for(lambda: any(line.startswith("focus") for line in said[before:]),
                                 timeout=1.5))

        if desktop == "gnome-shell":
            typed("Escape")  # it starts in the overview
        check(alt_tab_reached(), "before the program Alt+Tab reaches %s" % desktop)
        for number in range(starts):
            platform = "xcb" if desktop == "kwin" and number % 2 else "wayland"
            # On Wayland the protocol log tells when the play screen asks and is granted.
            extra = dict(env, QT_QPA_PLATFORM=platform, WAYLAND_DEBUG="client")
            display_file = os.path.join(session.work, "display")
            if platform == "xcb" and check(bool(wait_for(lambda: os.path.exists(display_file),
                                                         timeout=20)), "Xwayland runs"):
                with open(display_file) as f:
                    extra["DISPLAY"] = f.read().strip()
            log = os.path.join(session.work, "pikoro-%d.log" % number)

            def protocol(pattern):
                with open(log, encoding="utf-8", errors="replace") as f:
                    return len(re.findall(pattern, f.read()))
            grants = r"zwp_keyboard_shortcuts_inhibitor_v1@\d+\.active\(\)"
            before = len(said)
            play = session.start(session.program, log=os.path.basename(log), **extra)
            procs.append(play)
            if not check(bool(wait_for(lambda: any(line.startswith("blur") for line in said[
                    before:]) and said[-1].startswith("blur"), timeout=20)),
                    "start %d: the program has the focus" % number):
                continue
            if platform == "xcb":
                time.sleep(2.5)  # past the splash, the grab taken
            elif desktop == "gnome-shell":  # its dialog: Deny the first time, then Allow
                # Asked, and the dialog took the keyboard.
                wait_for(lambda: protocol(r"(?s)inhibit_shortcuts\(.*wl_keyboard@\d+\.leave\("),
                         timeout=10)
                time.sleep(0.5)
                typed("Escape" if number == 0 else "Return")
                if number == 0:
                    check(bool(wait_for(lambda: protocol("許可"), timeout=5)), "a Deny is told")
                    play.terminate()
                    play.wait()
                    continue
            if platform == "wayland":  # asked for too early, it was never granted
                check(bool(wait_for(lambda: protocol(grants), timeout=10)),
                      "start %d: %s grants the inhibitor" % (number, desktop))
            what = "start %d (%s): Alt+Tab stays with the program" % (number, platform)
            check(not alt_tab_reached() and play.poll() is None, what)
            if number == 0 and desktop == "mutter":
                typed("Super_L", "Escape")  # mutter gives the shortcuts back
                wait_for(lambda: protocol(grants) > 1, timeout=5)
                check(not alt_tab_reached(), "after Super+Escape Alt+Tab stays with the program")
            play.terminate()
            play.wait()
    finally:
        stop_all(*reversed(procs))
        end_session(session.runtime)
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
        end_session(session.runtime)
        close_work(session.work)


if __name__ == "__main__":
    if sys.argv[1] == "peer":
        peer(sys.argv[2])
    elif sys.argv[1] in ("mutter", "gnome-shell", "kwin"):
        desktop_run(sys.argv[2], sys.argv[1], int(sys.argv[3]))
    else:
        {"x11": lambda: x11_run(sys.argv[2]), "wayland": lambda: wayland_run(sys.argv[2]),
         "kiosk": lambda: kiosk_run(sys.argv[2], sys.argv[3])}[sys.argv[1]]()
    finish()
