#!/usr/bin/python3
"""The keyboard lock with the keys typed through each window manager or compositor:
`lock_e2e.py x11|wayland|kiosk PIKORO [KIOSK_SCRIPT]` or `lock_e2e.py mutter|gnome-shell|kwin
PIKORO STARTS`. Openbox's and sway's shortcuts leave a marker file; under mutter, gnome-shell and
KWin, Alt+Tab switches another program's windows. None acts while the program is in front, each
acts before and after it. The kiosk script's Cage session ends with the program."""
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
from e2e_common import (TITLE, check, close_work, exit_code, finish, prepare_folders,  # noqa: E402
                        prop, start, start_xvfb, stop_all, wait_for, window_name,
                        x_env, xdo)
from Xlib import X, display  # noqa: E402

BINDINGS = [  # xdotool key, Openbox key, Openbox action
    ("alt+Tab", "A-Tab", '<action name="NextWindow"/>'),
    ("alt+F4", "A-F4", '<action name="Close"/>'),
    ("super", "Super_L", ""),
    ("ctrl+alt+Left", "C-A-Left", '<action name="GoToDesktop"><to>left</to><wrap>yes</wrap></action>'),
    ("alt+space", "A-space", '<action name="ShowMenu"><menu>client-menu</menu></action>'),
]


def client(d, title, big=None):  # big: the full-screen one (True) or a small one (False)
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


def focus_in(d, w):  # the X input focus is on w or one of its children
    focus = d.get_input_focus().focus
    while focus not in (None, 0, X.NONE) and hasattr(focus, "id"):
        if focus.id == w.id:
            return True
        parent = focus.query_tree().parent
        if parent.id in (0, d.screen().root.id):
            return False
        focus = parent
    return False


def x11_run(executable):
    """Openbox's shortcuts never act while the play screen, the exit name box over it or the
    start-up instructions are in front, and the window in front keeps the focus."""
    work, program, config, runtime = prepare_folders(executable, "pikoro-e2e-lock-")
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
    d = display.Display(disp)
    root = d.screen().root
    procs = [subprocess.Popen(["openbox", "--config-file", os.path.join(work, "rc.xml")], env=env,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL),
             # another program's window, for Alt+Tab to switch to
             subprocess.Popen(["xlogo", "-name", "rival"], env=env, stderr=subprocess.DEVNULL)]
    rival_focused = []

    def top_has_focus(ours=lambda w: True):
        """The top window has the focus, passes ours(), and the other program never had it."""
        while d.pending_events():
            rival_focused.append(d.next_event().type == X.FocusIn)
        stacking = prop(d, root, "_NET_CLIENT_LIST_STACKING")
        top = d.create_resource_object("window", stacking[-1]) if stacking else None
        return top is not None and focus_in(d, top) and ours(top) and not any(rival_focused)

    def held(keys, still):
        """Each key missed the window manager and still() holds after it."""
        missed = []
        for key in keys:
            xdo(env, "key", key)
            time.sleep(0.6)
            missed.append(not os.path.exists(marker(key)) and still())
            if os.path.exists(marker(key)):
                os.remove(marker(key))
        return all(missed)

    try:
        check(bool(wait_for(lambda: prop(d, root, "_NET_SUPPORTING_WM_CHECK"))),
              "Openbox manages the screen")
        rival = wait_for(lambda: client(d, "xlogo") or client(d, "rival"), timeout=10)
        procs.append(start(program, env, os.path.join(work, "lock.log")))
        run = procs[-1]
        main = wait_for(lambda: client(d, TITLE, big=True))
        if not check(main is not None, "play screen shown under Openbox"):
            return
        playing = lambda: run.poll() is None and top_has_focus(lambda w: w.id == main.id)  # noqa
        check(bool(wait_for(playing)), "play screen in front")
        in_front_at = time.monotonic()
        time.sleep(1.5)  # the grab is asked for again every second
        for key, _, _ in BINDINGS:
            check(held([key], playing), "%s misses the WM; the play screen keeps focus, top" % key)
            xdo(env, "key", "Escape")
        # Past the start-up (opening picture and piece, splash gone) the grab still holds.
        time.sleep(max(0.0, in_front_at + 8 - time.monotonic()))
        check(held(["super"], playing), "8 s after the play screen came to the front Super misses "
              "the WM")

        # Over the play screen the exit name box keeps the keys, and takes the focus back from a
        # program that opens a window meanwhile.
        rival.change_attributes(event_mask=X.FocusChangeMask)
        d.sync()
        rival_focused.clear()
        ours = lambda w: prop(d, w, "_NET_WM_PID") == [run.pid] and w.id != main.id  # noqa: E731
        xdo(env, "mousemove", 60, 60, "keydown", "ctrl", "click", 3, "keyup", "ctrl")
        if check(bool(wait_for(lambda: top_has_focus(ours), timeout=10)), "the name box opens"):
            check(held(["alt+Tab", "super", "alt+F4"], lambda: top_has_focus(ours)),
                  "with the name box open Alt+Tab, Super and Alt+F4 reach neither the WM nor "
                  "the other program")
            procs.append(subprocess.Popen(["xlogo", "-name", "intruder"], env=env,
                                          stderr=subprocess.DEVNULL))
            time.sleep(0.5)  # mapped, and given the focus by the window manager
            check(bool(wait_for(lambda: top_has_focus(ours), timeout=5)),
                  "a program that opens a window then does not keep the focus")
            procs.pop().kill()
            xdo(env, "key", "Escape")
        check(bool(wait_for(playing, timeout=10)), "name box closed: the play screen in front")
        run.terminate()
        exit_code(run, 15)
        xdo(env, "key", "ctrl+alt+Left")
        check(bool(wait_for(lambda: os.path.exists(marker("ctrl+alt+Left")), timeout=5)),
              "after the end the window manager's shortcuts work again")

        # A start that shows the instructions first: they keep the keys, before the play screen.
        with open(os.path.join(config, "pikoro", "pikoro.ini"), "w", encoding="utf-8") as f:
            f.write("[ユーザー登録]\r\n名前=mama\r\n")
        procs.append(start(program, env))
        note = wait_for(lambda: client(d, "メッセージ"), timeout=20)
        check(note is not None and bool(wait_for(lambda: focus_in(d, note), timeout=5)) and
              held(["alt+Tab", "super", "alt+F4"], lambda: focus_in(d, note)),
              "the instructions at the start keep Alt+Tab, Super and Alt+F4 and the focus")
    finally:
        close_work(work, *procs, xvfb)


class WaylandSession:
    """The program and its settings in a work folder owned by the user the compositor runs as."""

    def __init__(self, executable, prefix):
        self.work, self.program, self.config, self.runtime = prepare_folders(executable, prefix)
        self.user = []
        if os.geteuid() == 0:  # compositors refuse to run as root
            self.user = ["runuser", "-u", "nobody", "--"]
            os.chmod(self.work, 0o755)
        self.env = {"PATH": "/usr/bin:/bin", "HOME": self.work, "XDG_RUNTIME_DIR": self.runtime,
                    "XDG_CONFIG_HOME": self.config, "SDL_AUDIODRIVER": "dummy",
                    "WLR_BACKENDS": "headless", "WLR_LIBINPUT_NO_DEVICES": "1",
                    "WLR_RENDERER": "pixman"}

    def hand_over(self):
        for folder, _, files in os.walk(self.work) if self.user else ():
            for name in [folder] + [os.path.join(folder, f) for f in files]:
                os.chown(name, 65534, -1)

    def command(self, *args, **extra):
        env = dict(self.env, **extra)
        return self.user + ["env", "-i"] + ["%s=%s" % kv for kv in env.items()] + list(args)

    def start(self, *args, log, **extra):
        return subprocess.Popen(self.command(*args, **extra), stdout=subprocess.DEVNULL,
                                stderr=open(os.path.join(self.work, log), "w"))

    def socket(self, pattern):
        return next((n for n in os.listdir(self.runtime)
                     if n.startswith(pattern) and not n.endswith(".lock")), None)

    def program_pid(self):
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                if os.readlink("/proc/%s/exe" % pid) == os.path.realpath(self.program):
                    return int(pid)
            except OSError:
                pass
        return None

    def close(self, *procs):
        """Ends the programs and what the session left behind (runuser passes no signal on;
        D-Bus starts helpers of its own): every process that carries its runtime folder."""
        stop_all(*procs)
        mark = ("XDG_RUNTIME_DIR=%s\0" % self.runtime).encode()
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                with open("/proc/%s/environ" % pid, "rb") as f:
                    if mark in f.read():
                        os.kill(int(pid), signal.SIGKILL)
            except OSError:
                pass
        close_work(self.work)


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

    def __init__(self, path):
        super().__init__(path)
        manager = self.bind("zwlr_virtual_pointer_manager_v1", 1)
        self.pointer = self.new_id()
        self.send(manager, 0, 0, self.pointer)  # create_virtual_pointer(default seat)
        list(self.roundtrip())

    def click(self, x, y, screen=(1920, 1080)):
        now = int(time.monotonic() * 1000) & 0xFFFFFFFF
        self.send(self.pointer, 1, now, x, y, *screen)  # motion_absolute
        self.send(self.pointer, 4)  # frame
        for state in (1, 0):  # left button pressed, released
            self.send(self.pointer, 2, now + 100 - 50 * state, 0x110, state)
            self.send(self.pointer, 4)
        list(self.roundtrip())


def wayland_run(executable):
    """sway: Super+Return's marker command runs before the program, never 1.5, 4 or 8 s after the
    play screen got the focus nor while the settings window is open, and again after the end."""
    session = WaylandSession(executable, "pikoro-e2e-wayland-")
    marker, conf = (os.path.join(session.work, n) for n in ("marker", "sway.conf"))
    with open(conf, "w") as f:
        f.write("bindsym Mod4+Return exec touch %s\n" % marker)
    session.hand_over()
    sway = session.start("sway", "-c", conf, log="sway.log")
    play = None
    try:
        wl = wait_for(lambda: session.socket("wayland-"), timeout=15)
        ipc = wait_for(lambda: session.socket("sway-ipc."), timeout=15)
        if not check(bool(wl and ipc), "sway runs headless"):
            return

        def msg(*args):
            command = session.command("swaymsg", "-s", os.path.join(session.runtime, ipc), *args)
            return subprocess.run(command, capture_output=True, timeout=20).stdout

        def typed(*args, **extra):
            return session.start("wtype", *args, log="wtype.log", WAYLAND_DISPLAY=wl, **extra)

        def super_return():
            """Whether Super+Return reached sway; removes the marker it left."""
            exit_code(typed("-M", "logo", "-k", "Return", "-m", "logo"), 20)
            reached = bool(wait_for(lambda: os.path.exists(marker), timeout=2))
            if reached:
                os.remove(marker)
            return reached

        def nodes():
            found, todo = [], [json.loads(msg("-r", "-t", "get_tree") or b"{}")]
            while todo:
                found.append(todo.pop())
                todo += found[-1].get("nodes", []) + found[-1].get("floating_nodes", [])
            return found

        def focused():
            return next((n.get("name") for n in nodes() if n.get("focused")), None) == TITLE

        check(super_return(), "before the program Super+Return runs the marker command")
        play = session.start(session.program, log="pikoro.log", WAYLAND_DISPLAY=wl,
                             QT_QPA_PLATFORM="wayland")
        check(bool(wait_for(focused, timeout=20)), "the play screen has the focus")
        focused_at = time.monotonic()
        desktop = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "assets",
                               "desktop")
        app_id = next((n.get("app_id") for n in nodes() if n.get("name") == TITLE), "")
        check(app_id + ".desktop" in os.listdir(desktop), "the app id %s names the desktop entry "
              "(so GNOME can keep the parent's answer)" % app_id)
        for moment in (1.5, 4, 8):
            time.sleep(max(0.0, focused_at + moment - time.monotonic()))
            check(not super_return() and play.poll() is None,
                  "%g s after the play screen got the focus Super+Return misses sway" % moment)
        # Shift held by a virtual keyboard, a click of a virtual pointer on the background.
        pointer = VirtualPointer(os.path.join(session.runtime, wl))
        holding = typed("-M", "shift", "-s", "1500", "-m", "shift")
        wait_for(lambda: b'"keyboard"' in msg("-t", "get_seats"), timeout=5, step=0.05)
        time.sleep(0.3)  # the modifier is down
        pointer.click(60, 60)
        exit_code(holding, 5)
        if check(bool(wait_for(lambda: any(n.get("name") == "設定" for n in nodes()), 10)),
                 "Shift + click opens the settings window"):
            # Over the full-screen play screen sway leaves the keyboard focus on it.
            check(not super_return(), "with the settings open Super+Return misses sway")
            exit_code(typed("-k", "Escape"), 20)
            check(bool(wait_for(focused, timeout=10)), "the settings closed: the play screen has "
                  "the focus again")
        check(not super_return() and play.poll() is None,
              "back on the play screen Super+Return misses sway")
        pid = session.program_pid()
        if pid:
            os.kill(pid, signal.SIGTERM)
        check(bool(wait_for(lambda: play.poll() is not None, timeout=10)), "SIGTERM ends it")
        check(super_return(), "after the program Super+Return runs the marker command again")
    finally:
        session.close(play, sway)


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


HEADLESS = "--wayland --headless --no-x11 --virtual-monitor 1920x1080 --wayland-display wayland-lock"
DESKTOPS = {"mutter": "mutter " + HEADLESS, "gnome-shell": "gnome-shell " + HEADLESS,
            # it starts display.sh with Xwayland's display
            "kwin": "$HOME/kwin_wayland --virtual --xwayland --width 1920 --height 1080 "
                    "--socket wayland-lock $HOME/display.sh"}


def desktop_run(executable, desktop, starts):
    """mutter, gnome-shell or kwin headless: Alt+Tab switches another program's windows before
    the program starts, never while its play screen is in front. gnome-shell asks the parent
    (Deny, then Allow); kwin's odd starts are through Xwayland."""
    session = WaylandSession(executable, "pikoro-e2e-%s-" % desktop)
    here = os.path.dirname(os.path.abspath(__file__))
    path = lambda name: os.path.join(session.work, name)  # noqa: E731
    with open(path("session.sh"), "w") as f:
        # gnome-shell wants a system bus too: a private one.
        f.write('export DBUS_SYSTEM_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS"\n'
                'exec dbus-run-session -- sh -c \'echo "$DBUS_SESSION_BUS_ADDRESS" > $HOME/bus; '
                'exec %s\'\n' % DESKTOPS[desktop])
    with open(path("display.sh"), "w") as f:
        f.write('#!/bin/sh\necho "$DISPLAY" > "$HOME/display"\n')
    os.chmod(path("display.sh"), 0o755)
    for name in ("lock_e2e.py", "e2e_common.py"):
        shutil.copy(os.path.join(here, name), session.work)
    if desktop == "kwin":  # a copy without the file capability this container cannot grant
        shutil.copy("/usr/bin/kwin_wayland", session.work)
    session.hand_over()
    procs = [session.start("dbus-run-session", "--", "sh", path("session.sh"), log="desktop.log",
                           KWIN_WAYLAND_NO_PERMISSION_CHECKS="1")]
    try:
        if not check(bool(wait_for(lambda: session.socket("wayland-lock") and os.path.exists(
                path("bus")), timeout=20)), "%s runs headless" % desktop):
            return
        time.sleep(0.5)
        with open(path("bus")) as f:
            env = dict(WAYLAND_DISPLAY="wayland-lock", DBUS_SESSION_BUS_ADDRESS=f.read().strip(),
                       GSK_RENDERER="cairo", GTK_A11Y="none")
        other = subprocess.Popen(session.command("python3", path("lock_e2e.py"), "peer", desktop,
                                                 **env), stdin=subprocess.PIPE,
                                 stdout=subprocess.PIPE, text=True,
                                 stderr=open(path("peer.log"), "w"))
        procs.append(other)
        said = []
        threading.Thread(target=lambda: said.extend(other.stdout), daemon=True).start()
        # A desktop still starting its own services on a loaded machine may keep a new
        # program's first connection waiting a while.
        if not check(bool(wait_for(lambda: "ready\n" in said, timeout=80)),
                     "another program's windows and the keyboard are ready"):
            return

        def typed(*keys):
            done = said.count("ok\n") + 1
            other.stdin.write(" ".join(keys) + "\n")
            other.stdin.flush()
            wait_for(lambda: said.count("ok\n") >= done, timeout=5)

        def alt_tab_reached():  # whether it switched to another window
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
            if platform == "xcb" and check(bool(wait_for(lambda: os.path.exists(path("display")),
                                                         timeout=20)), "Xwayland runs"):
                with open(path("display")) as f:
                    extra["DISPLAY"] = f.read().strip()
            log = "pikoro-%d.log" % number

            def protocol(pattern):
                with open(path(log), encoding="utf-8", errors="replace") as f:
                    return len(re.findall(pattern, f.read()))
            grants = r"zwp_keyboard_shortcuts_inhibitor_v1@\d+\.active\(\)"
            before = len(said)
            procs.append(session.start(session.program, log=log, **extra))
            play = procs[-1]
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
                    stop_all(play)
                    continue
            if platform == "wayland":  # asked for too early, it was never granted
                check(bool(wait_for(lambda: protocol(grants), timeout=10)),
                      "start %d: %s grants the inhibitor" % (number, desktop))
            check(not alt_tab_reached() and play.poll() is None,
                  "start %d (%s): Alt+Tab stays with the program" % (number, platform))
            if number == 0 and desktop == "mutter":
                typed("Super_L", "Escape")  # mutter gives the shortcuts back
                wait_for(lambda: protocol(grants) > 1, timeout=5)
                check(not alt_tab_reached(), "after Super+Escape Alt+Tab stays with the program")
            stop_all(play)
    finally:
        session.close(*reversed(procs))


def kiosk_run(executable, script):
    session = WaylandSession(executable, "pikoro-e2e-kiosk-")
    # The session's user may not enter the build tree (a checkout in a private folder): it runs
    # a copy of the start script from its own work folder.
    shutil.copy(script, os.path.join(session.work, "pikoro-kiosk"))
    session.hand_over()
    kiosk = session.start("sh", os.path.join(session.work, "pikoro-kiosk"), log="cage.log",
                          PIKORO_PROGRAM=session.program)
    try:
        pid = wait_for(session.program_pid, timeout=20)
        check(pid is not None and kiosk.poll() is None, "the kiosk session runs the program in Cage")
        if pid:
            time.sleep(1.0)
            os.kill(pid, signal.SIGTERM)
        check(bool(wait_for(lambda: kiosk.poll() is not None, timeout=10)),
              "ending the program ends the kiosk session")
    finally:
        session.close(kiosk)


if __name__ == "__main__":
    if sys.argv[1] == "peer":
        peer(sys.argv[2])
    elif sys.argv[1] in DESKTOPS:
        desktop_run(sys.argv[2], sys.argv[1], int(sys.argv[3]))
    else:
        {"x11": x11_run, "wayland": wayland_run, "kiosk": kiosk_run}[sys.argv[1]](*sys.argv[2:])
    finish()
