#!/usr/bin/python3
"""Desktop shortcuts act without the program, never while it is in front: `lock_e2e.py x11
PIKORO` (Openbox) or `sway|mutter|gnome-shell|kwin PIKORO STARTS`; `kiosk PIKORO SCRIPT` (Cage)."""
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
from e2e_common import (TITLE, check, close_work, finish, prepare_folders, prop,  # noqa: E402
                        start, start_xvfb, stop_all, wait_for, window_name, x_env, xdo)
from Xlib import display  # noqa: E402

X11_KEYS = {"alt+Tab": "A-Tab", "alt+F4": "A-F4", "super": "Super_L", "ctrl+alt+Left": "C-A-Left"}


def client(d, title, wide=None):  # wide: the full-screen one (True) or a small one (False)
    for wid in prop(d, d.screen().root, "_NET_CLIENT_LIST_STACKING"):
        w = d.create_resource_object("window", wid)
        try:
            if window_name(d, w) == title and wide in (None, w.get_geometry().width > 1000):
                return w
        except Exception:  # the window went away meanwhile (the splash closing)
            pass


def focus_in(d, w):  # the X input focus is on w or one of its children
    focus = d.get_input_focus().focus
    while hasattr(focus, "id") and focus.id not in (0, d.screen().root.id):
        if focus.id == w.id:
            return True
        focus = focus.query_tree().parent
    return False


def taken(marker):  # whether the marker file was there; it is gone now
    return os.path.exists(marker) and not os.remove(marker)


def x11_run(executable):
    """Openbox's shortcuts never act while the exit name box, the play screen after it or the
    instructions at the start are in front, and the window in front keeps the focus."""
    work, program, config, runtime = prepare_folders(executable, "pikoro-e2e-lock-")
    marker = os.path.join(work, "marker")
    binds = "".join('<keybind key="%s"><action name="Execute"><command>touch %s</command>'
                    "</action></keybind>" % (box_key, marker) for box_key in X11_KEYS.values())
    with open(os.path.join(work, "rc.xml"), "w") as f:
        f.write('<?xml version="1.0"?><openbox_config xmlns="http://openbox.org/3.4/rc"><focus>'
                "<focusNew>yes</focusNew></focus><keyboard>%s</keyboard></openbox_config>" % binds)
    xvfb, disp = start_xvfb()
    env = x_env(disp, config, runtime)
    d = display.Display(disp)
    procs = [subprocess.Popen(["openbox", "--config-file", os.path.join(work, "rc.xml")], env=env,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)]

    def top_has_focus(ours):
        stacking = prop(d, d.screen().root, "_NET_CLIENT_LIST_STACKING")
        top = d.create_resource_object("window", stacking[-1]) if stacking else None
        return top is not None and focus_in(d, top) and ours(top)

    def held(still):  # each key missed the window manager, and still() holds after it
        missed = []
        for key in X11_KEYS:
            xdo(env, "key", key)
            missed.append(not wait_for(lambda: taken(marker), timeout=0.6) and still())
        return all(missed)

    try:
        wait_for(lambda: prop(d, d.screen().root, "_NET_SUPPORTING_WM_CHECK"))  # Openbox is up
        run = start(program, env, os.path.join(work, "lock.log"))
        procs.append(run)
        main = wait_for(lambda: client(d, TITLE, wide=True))
        playing = lambda: run.poll() is None and top_has_focus(lambda w: w.id == main.id)  # noqa
        if not check(main is not None and bool(wait_for(playing)), "the play screen in front"):
            return
        shown_at = time.monotonic()
        # The exit name box over the play screen keeps the keys, and takes the focus back from a
        # program that opens a window meanwhile.
        ours = lambda w: prop(d, w, "_NET_WM_PID") == [run.pid] and w.id != main.id  # noqa: E731
        xdo(env, "mousemove", 60, 60, "keydown", "ctrl", "click", 3, "keyup", "ctrl")
        if check(bool(wait_for(lambda: top_has_focus(ours), timeout=10)), "the name box opens"):
            check(held(lambda: top_has_focus(ours)), "the name box keeps the keys and the focus")
            procs.append(subprocess.Popen(["xlogo", "-name", "intruder"], env=env,
                                          stderr=subprocess.DEVNULL))
            time.sleep(0.5)  # mapped, and given the focus by the window manager
            check(bool(wait_for(lambda: top_has_focus(ours), timeout=5)),
                  "a program that opens a window then does not keep the focus")
            procs.pop().kill()
            xdo(env, "key", "Escape")
        # Back on the play screen, past the start-up (opening picture and piece, splash gone).
        time.sleep(max(0.0, shown_at + 8 - time.monotonic()))
        check(held(playing), "the play screen keeps the keys and the focus")
        stop_all(run)
        xdo(env, "key", "ctrl+alt+Left")
        check(bool(wait_for(lambda: taken(marker), timeout=5)),
              "after the end the window manager's shortcuts work again")

        # A start that shows the instructions first: they keep the keys, before the play screen.
        with open(os.path.join(config, "pikoro", "pikoro.ini"), "w", encoding="utf-8") as f:
            f.write("[ユーザー登録]\r\n名前=mama\r\n")
        procs.append(start(program, env))
        note = wait_for(lambda: client(d, "メッセージ"), timeout=20)
        check(note is not None and bool(wait_for(lambda: focus_in(d, note), timeout=5)) and
              held(lambda: focus_in(d, note)), "the instructions at the start keep the keys "
              "and the focus")
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
        if self.user:
            subprocess.run(["chown", "-R", "nobody", self.work], check=True)

    def command(self, *args, **extra):
        env = dict(self.env, **extra)
        return self.user + ["env", "-i"] + ["%s=%s" % kv for kv in env.items()] + list(args)

    def start(self, *args, log, **extra):
        return subprocess.Popen(self.command(*args, **extra), stdout=subprocess.DEVNULL,
                                stderr=open(os.path.join(self.work, log), "w"))

    def socket(self, pattern):
        return next((n for n in os.listdir(self.runtime)
                     if n.startswith(pattern) and not n.endswith(".lock")), None)

    def pids(self, program=False):  # the processes with its runtime folder (or its program)
        mark = ("XDG_RUNTIME_DIR=%s\0" % self.runtime).encode()
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                with open("/proc/%s/environ" % pid, "rb") as f:
                    if mark in f.read() and (not program or os.path.realpath(
                            "/proc/%s/exe" % pid) == os.path.realpath(self.program)):
                        yield int(pid)
            except OSError:
                pass

    def close(self, *procs):
        # runuser passes no signal on, D-Bus starts helpers: all that carry the runtime folder go.
        stop_all(*procs)
        for pid in self.pids():
            os.kill(pid, signal.SIGKILL)
        close_work(self.work)


class Wire:
    """A Wayland client spoken on the wire, for KWin's fake input."""

    def __init__(self, path):
        self.socket = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.socket.connect(path)
        self.last_id, self.globals, self.events = 2, {}, self.socket.makefile("rb")
        self.send(1, 1, 2)  # wl_display.get_registry, as object 2
        for target, body in self.roundtrip():
            if target == 2:  # wl_registry.global: name, interface, version
                length = struct.unpack_from("<I", body, 4)[0]
                self.globals[body[8:7 + length].decode()] = struct.unpack_from("<I", body)[0]

    @staticmethod
    def string(text):
        data = text.encode() + b"\0"
        return struct.pack("<I", len(data)) + data + b"\0" * (-len(data) % 4)

    def bind(self, interface, version):
        self.last_id += 1
        self.send(2, 0, self.globals[interface], self.string(interface), version, self.last_id)
        return self.last_id

    def send(self, target, opcode, *args):
        body = b"".join(a if isinstance(a, bytes) else struct.pack("<I", a) for a in args)
        self.socket.sendall(struct.pack("<II", target, (len(body) + 8) << 16 | opcode) + body)

    def roundtrip(self):  # the events until the compositor has handled every request sent before
        self.last_id += 1
        callback = self.last_id
        self.send(1, 0, callback)  # wl_display.sync
        while True:
            target, size = struct.unpack("<II", self.events.read(8))
            body = self.events.read((size >> 16) - 8)
            if target == callback:
                return
            yield target, body


# Keys typed into the compositor: X keysym (mutter's remote desktop), evdev code (KWin's fake input)
KEYS = {"Shift_L": (0xffe1, 42), "Alt_L": (0xffe9, 56), "Tab": (0xff09, 15),
        "Super_L": (0xffeb, 125), "Escape": (0xff1b, 1), "Return": (0xff0d, 28)}


def peer(compositor):
    """In the desktop session: another program's two windows, whose focus changes it prints, and
    the chords it reads ("Alt_L Tab") typed into the compositor, each answered with "ok"."""
    import gi
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
    elif compositor != "sway":
        bus = Gio.bus_get_sync(Gio.BusType.SESSION)

        def call(path, method, args=None, interface="org.gnome.Mutter.RemoteDesktop.Session"):
            return bus.call_sync("org.gnome.Mutter.RemoteDesktop", path, interface, method, args,
                                 None, 0, -1, None)
        session = call("/org/gnome/Mutter/RemoteDesktop", "CreateSession",
                       interface="org.gnome.Mutter.RemoteDesktop").unpack()[0]
        call(session, "Start")

        def key(name, down):
            call(session, "NotifyKeyboardKeysym", GLib.Variant("(ub)", (KEYS[name][0], down)))

    def chord(keys):
        if compositor == "sway":  # wtype, a new virtual keyboard each time; Alt_L held as alt
            mods = [name[:-2].lower() for name in keys[:-1]]
            press, release = (sum(([flag, m] for m in mods), []) for flag in ("-M", "-m"))
            return subprocess.run(["wtype"] + press + ["-k", keys[-1]] + release)
        for down in (True, False):
            for name in keys if down else reversed(keys):
                key(name, down)
            time.sleep(0.05)

    def typed(*_):
        chord(sys.stdin.readline().split())
        print("ok", flush=True)
        return True
    chord(["Shift_L"])  # the virtual keyboard appears at its first key
    GLib.io_add_watch(sys.stdin.fileno(), GLib.IO_IN, typed)
    print("ready", flush=True)
    GLib.MainLoop().run()


HEADLESS = "--wayland --headless --no-x11 --virtual-monitor 1920x1080"
DESKTOPS = {"sway": "sway -c $HOME/sway.conf", "mutter": "mutter " + HEADLESS,
            "gnome-shell": "gnome-shell " + HEADLESS,
            "kwin": "$HOME/kwin_wayland --virtual --width 1920 --height 1080"}


def desktop_run(executable, desktop, starts):
    """Alt+Tab switches another program's windows before the program starts, never while it is
    in front: at once, and 8 s later at the last start. gnome-shell asks (Deny, then Allow)."""
    session = WaylandSession(executable, "pikoro-e2e-%s-" % desktop)
    path = lambda name: os.path.join(session.work, name)  # noqa: E731
    # gnome-shell wants a system bus too: a private one.
    for name, text in {"session.sh": 'export DBUS_SYSTEM_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS"\n'
                       'exec dbus-run-session -- sh -c \'echo "$DBUS_SESSION_BUS_ADDRESS" > '
                       '$HOME/bus; exec %s\'\n' % DESKTOPS[desktop],
                       "sway.conf": "bindsym Mod1+Tab exec touch %s\n" % path("switched")}.items():
        with open(path(name), "w") as f:
            f.write(text)
    for name in ("lock_e2e.py", "e2e_common.py"):
        shutil.copy(os.path.join(os.path.dirname(os.path.abspath(__file__)), name), session.work)
    if desktop == "kwin":  # a copy without the file capability this container cannot grant
        shutil.copy("/usr/bin/kwin_wayland", session.work)
    session.hand_over()
    procs = [session.start("dbus-run-session", "--", "sh", path("session.sh"), log="desktop.log",
                           KWIN_WAYLAND_NO_PERMISSION_CHECKS="1")]
    try:
        wl = wait_for(lambda: os.path.exists(path("bus")) and session.socket("wayland-"), 20)
        if not check(bool(wl), "%s runs headless" % desktop):
            return
        time.sleep(0.5)
        with open(path("bus")) as f:
            env = dict(WAYLAND_DISPLAY=wl, DBUS_SESSION_BUS_ADDRESS=f.read().strip(),
                       GSK_RENDERER="cairo", GTK_A11Y="none")
        command = session.command("python3", path("lock_e2e.py"), "peer", desktop, **env)
        other = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True,
                                 stderr=open(path("peer.log"), "w"))
        procs.append(other)
        said = []
        threading.Thread(target=lambda: said.extend(other.stdout), daemon=True).start()
        if not check(bool(wait_for(lambda: "ready\n" in said, timeout=80)),  # a loaded machine
                     "another program's windows and the keyboard are ready"):
            return

        def typed(*keys):
            done = said.count("ok\n") + 1
            other.stdin.write(" ".join(keys) + "\n")
            other.stdin.flush()
            wait_for(lambda: said.count("ok\n") >= done, timeout=5)

        def alt_tab_reached():  # it switched to another window (sway: ran the command)
            before = len(said)
            typed("Alt_L", "Tab")
            return bool(wait_for(lambda: taken(path("switched")) or any(
                line.startswith("focus") for line in said[before:]), timeout=1.5))

        if desktop == "gnome-shell":
            typed("Escape")  # it starts in the overview
        check(alt_tab_reached(), "before the program Alt+Tab reaches %s" % desktop)
        def protocol(pattern):  # the start's protocol log tells when it asks and is granted
            with open(path("pikoro-%d.log" % number), encoding="utf-8", errors="replace") as f:
                return len(re.findall(pattern, f.read()))
        grants = r"zwp_keyboard_shortcuts_inhibitor_v1@\d+\.active\(\)"
        for number in range(starts):
            play = session.start(session.program, log="pikoro-%d.log" % number,
                                 QT_QPA_PLATFORM="wayland",
                                 WAYLAND_DEBUG="client", **env)
            procs.append(play)
            if not check(bool(wait_for(lambda: protocol(r"inhibit_shortcuts\("), 20)),
                         "start %d: the program, in front, asks for the keys" % number):
                continue
            focused_at = time.monotonic()
            if desktop == "gnome-shell":  # its dialog: Deny the first time, then Allow
                # Asked, and the dialog took the keyboard.
                wait_for(lambda: protocol(r"(?s)inhibit_shortcuts\(.*wl_keyboard@\d+\.leave\("),
                         timeout=10)
                time.sleep(0.5)
                typed("Escape" if number == 0 else "Return")
                if number == 0:
                    check(bool(wait_for(lambda: protocol("許可"), timeout=5)), "a Deny is told")
                    stop_all(play)
                    continue
            check(bool(wait_for(lambda: protocol(grants), timeout=10)),  # not asked for too early
                  "start %d: %s grants the inhibitor" % (number, desktop))
            for moment in (0, 8) if number == starts - 1 else (0,):
                time.sleep(max(0.0, focused_at + moment - time.monotonic()))
                check(not alt_tab_reached() and play.poll() is None, "start %d: Alt+Tab stays "
                      "with the program %g s after it got the focus" % (number, moment))
            if number == 0 and desktop == "mutter":
                typed("Super_L", "Escape")  # mutter gives the shortcuts back
                wait_for(lambda: protocol(grants) > 1, timeout=5)
                check(not alt_tab_reached(), "after Super+Escape Alt+Tab stays with the program")
            stop_all(play)
    finally:
        session.close(*reversed(procs))


def kiosk_run(executable, script):
    session = WaylandSession(executable, "pikoro-e2e-kiosk-")
    # The session's user may not enter a checkout in a private folder: it runs a copy.
    shutil.copy(script, os.path.join(session.work, "pikoro-kiosk"))
    session.hand_over()
    kiosk = session.start("sh", os.path.join(session.work, "pikoro-kiosk"), log="cage.log",
                          PIKORO_PROGRAM=session.program)
    try:
        pid = wait_for(lambda: next(session.pids(program=True), None), timeout=20)
        if check(pid is not None and kiosk.poll() is None, "the kiosk session runs the program"):
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
        {"x11": x11_run, "kiosk": kiosk_run}[sys.argv[1]](*sys.argv[2:])
    finish()
