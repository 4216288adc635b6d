"""Helpers shared by the end-to-end scripts: Xvfb, X11 windows, screenshots, checks."""
import array
import os
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time

from Xlib import X, XK, protocol
from Xlib.ext import randr, xtest
from Xlib.protocol import rq

TITLE = "ピコロ"
SCREEN = (1920, 1080)
PICTURE = (500, 60, 900, 500)  # inside the picture frame at 1920 x 1080
USER_NAME = "mama"
failures = []
passes = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    (passes if condition else failures).append(what)
    return condition


def finish():
    print("%d passed, %d failed" % (len(passes), len(failures)))
    sys.exit(1 if failures else 0)


def wait_for(predicate, timeout=20.0, step=0.1):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        value = predicate()
        if value:
            return value
        time.sleep(step)
    return None


def exit_code(process, timeout):  # None while it still runs
    try:
        return process.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        return None


def stop_all(*procs):
    for p in procs:
        if p and p.poll() is None:
            p.terminate()
            if exit_code(p, 5) is None:
                p.kill()
                p.wait()


def close_work(work, *procs):  # the X server last; a failed run keeps the work folder
    stop_all(*procs)
    if failures:
        print("work folder kept:", work)
    else:
        shutil.rmtree(work, ignore_errors=True)


def sigterm_ends(run, what):
    run.send_signal(signal.SIGTERM)
    code = exit_code(run, 30)
    return check(code == 0, "%s: SIGTERM ends the program (exit code %s)" % (what, code))


def start_xvfb(size=SCREEN):  # on a display number it picks, so runs never collide
    read_fd, write_fd = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0",
                             "%dx%dx24" % size, "-nolisten", "tcp"],
                            pass_fds=(write_fd,), stderr=subprocess.DEVNULL)
    os.close(write_fd)
    number = b""
    while not number.endswith(b"\n"):
        chunk = os.read(read_fd, 16)
        if not chunk:
            raise RuntimeError("Xvfb did not start")
        number += chunk
    os.close(read_fd)
    return xvfb, ":" + number.decode().strip()


class SetMonitor(rq.Request):
    """RandR 1.5 SetMonitor, spelt out: python-xlib's own cannot pack its argument."""
    _request = rq.Struct(rq.Card8("opcode"), rq.Opcode(43), rq.RequestLength(), rq.Window("window"),
                         rq.Card32("name"), rq.Bool("primary"), rq.Bool("automatic"),
                         rq.LengthOf("outputs", 2), rq.Int16("x"), rq.Int16("y"),
                         rq.Card16("width"), rq.Card16("height"), rq.Card32("mm_width"),
                         rq.Card32("mm_height"), rq.List("outputs", rq.Card32Obj))


def set_monitor(d, name, x, y, width, height, primary=False):
    """A monitor on the one Xvfb screen; the primary one takes the screen's output."""
    root = d.screen().root
    outputs = root.xrandr_get_screen_resources().outputs[:1] if primary else []
    SetMonitor(display=d.display, opcode=d.display.get_extension_major(randr.extname), window=root,
               name=d.intern_atom(name), primary=primary, automatic=False, x=x, y=y, width=width,
               height=height, mm_width=width // 4, mm_height=height // 4, outputs=outputs)
    d.sync()


def x_env(disp, config, runtime, **extra):  # never the user's real folders
    return {**os.environ, "DISPLAY": disp, "QT_QPA_PLATFORM": "xcb", "XDG_CONFIG_HOME": config,
            "XDG_DATA_HOME": os.path.join(config, "data"), "XDG_RUNTIME_DIR": runtime,
            "TMPDIR": runtime, "SDL_AUDIODRIVER": "dummy", **extra}


def start(program, env, log=None):  # the program's messages are appended to log
    return subprocess.Popen([program], env=env, stdout=subprocess.DEVNULL,
                            stderr=open(log, "a") if log else subprocess.DEVNULL)


def xdo(env, *args):
    subprocess.run(["xdotool"] + [str(a) for a in args], env=env, check=False, stderr=subprocess.DEVNULL)


def press(env, *keys):
    xdo(env, "key", "--delay", "50", *keys)


def send(d, *keys, click=None, button=1):
    """Through XTEST: holds the keys (keysym names), clicks at `click` if given, releases them."""
    codes = [d.keysym_to_keycode(XK.string_to_keysym(k)) for k in keys]
    events = [(X.MotionNotify, dict(x=click[0], y=click[1]))] if click else []
    events += [(X.KeyPress, dict(detail=code)) for code in codes]
    if click:
        events += [(X.ButtonPress, dict(detail=button)), (X.ButtonRelease, dict(detail=button))]
    events += [(X.KeyRelease, dict(detail=code)) for code in reversed(codes)]
    for kind, args in events:
        xtest.fake_input(d, kind, **args)
        d.sync()


def click_in(d, w, fx, fy):  # fx, fy: fractions of the window's size
    geo, pos = w.get_geometry(), w.translate_coords(d.screen().root, 0, 0)
    x, y, width, height = -pos.x, -pos.y, geo.width, geo.height
    send(d, click=(int(x + fx * width), int(y + fy * height)))
    time.sleep(0.3)


def write_config(config, extra=""):
    """The user's store after the first start: no instructions, USER_NAME registered."""
    os.makedirs(os.path.join(config, "pikoro"), exist_ok=True)
    if "名前=" not in extra:
        extra = "名前=%s\r\n" % USER_NAME + extra
    with open(os.path.join(config, "pikoro", "pikoro.ini"), "w", encoding="utf-8") as f:
        f.write("[ユーザー登録]\r\nMSG=1\r\n" + extra)


def prepare_folders(executable, prefix, extra=""):
    """A work folder: the program in a folder of its own, a config and a runtime folder."""
    work = tempfile.mkdtemp(prefix=prefix)
    program = os.path.join(work, "app", "pikoro")
    os.makedirs(os.path.dirname(program))
    shutil.copy2(executable, program)
    config = os.path.join(work, "config")
    write_config(config, extra)
    os.makedirs(os.path.join(work, "runtime"), mode=0o700)
    return work, program, config, os.path.join(work, "runtime")


def write_data_file(path, pictures=(), sounds=(), pieces=()):  # the rest empty
    def table(entries, count):
        return list(entries) + [""] * (count - len(entries))
    lines = (["## ピコロVersion 4データファイル", "2026/01/01", "ピクチャーデータ"] +
             table(pictures, 43) + ["サウンドデータ"] + table(sounds, 42) + ["MIDIデータ"] +
             table(pieces, 22) + ["PIKORO_DATA_FILE"])
    with open(path, "w", encoding="utf-8") as f:
        f.write("\r\n".join(lines) + "\r\n")


def write_bmp(path, width, height, rgb):  # one colour
    row = bytes(rgb[::-1]) * width
    pixels = (row + b"\0" * ((4 - len(row) % 4) % 4)) * height
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + pixels)


def region_pixels(d, x, y, width, height):
    return d.screen().root.get_image(x, y, width, height, X.ZPixmap, 0xFFFFFFFF).data


def colour_share(d, x, y, width, height, rgb, tolerance=40):  # of sampled pixels near rgb
    data = region_pixels(d, x, y, width, height)
    samples = [data[i:i + 3] for i in range(0, len(data) - 4, 16)]
    hits = sum(abs(r - rgb[0]) + abs(g - rgb[1]) + abs(b - rgb[2]) <= tolerance
               for b, g, r in samples)
    return hits / max(len(samples), 1)


def shows(d, rgb, share=0.3, timeout=10):  # the picture area
    return bool(wait_for(lambda: colour_share(d, *PICTURE, rgb) > share, timeout=timeout))


def prop(d, w, name):
    try:
        value = w.get_full_property(d.intern_atom(name), X.AnyPropertyType)
        return list(value.value) if value else []
    except Exception:
        return []


def window_name(d, w):
    try:
        value = w.get_full_property(d.intern_atom("_NET_WM_NAME"), d.intern_atom("UTF8_STRING"))
        return value.value.decode("utf-8", "replace") if value else (w.get_wm_name() or "")
    except Exception:
        return ""


def top_windows(d):  # viewable, lowest first: (window, title, x, y, width, height)
    found = []
    try:
        children = d.screen().root.query_tree().children
    except Exception:
        return []
    for w in children:
        try:
            if w.get_attributes().map_state == X.IsViewable:
                geo = w.get_geometry()
                found.append((w, window_name(d, w), geo.x, geo.y, geo.width, geo.height))
        except Exception:  # gone meanwhile
            pass
    return found


def dialogs(d):  # the windows other than the play screen
    return [t for t in top_windows(d) if t[4] > 50 and t[4:] != SCREEN]


def main_window(d):
    return next((t[0] for t in top_windows(d) if t[1:] == (TITLE, 0, 0) + SCREEN), None)


def send_close_request(d, w):
    delete = d.intern_atom("WM_DELETE_WINDOW")
    w.send_event(protocol.event.ClientMessage(window=w, client_type=d.intern_atom("WM_PROTOCOLS"),
                                              data=(32, [delete, X.CurrentTime, 0, 0, 0])))
    d.flush()


def write_midi(path, seconds=6):  # a piano's C major arpeggio
    events = bytearray(b"\x00\xc0\x00")  # program change: piano
    for i in range(seconds * 4):
        note = (60, 64, 67, 72)[i % 4]
        events += bytes([0x00, 0x90, note, 100, 0x81, 0x70, 0x80, note, 0])  # off 240 ticks later
    events += b"\x00\xff\x2f\x00"
    with open(path, "wb") as f:
        f.write(b"MThd" + struct.pack(">IHHH", 6, 0, 1, 480) +
                b"MTrk" + struct.pack(">I", len(events)) + bytes(events))


def write_wave(path, seconds=1.0, rate=22050):  # a 440 Hz tone
    import math
    import wave
    with wave.open(path, "wb") as f:
        f.setnchannels(1)
        f.setsampwidth(2)
        f.setframerate(rate)
        f.writeframes(b"".join(struct.pack("<h", int(12000 * math.sin(2 * math.pi * 440 * i / rate)))
                               for i in range(int(seconds * rate))))


def audio_peak(path, start=0):  # in SDL's disk output (32-bit float) from byte start
    try:
        with open(path, "rb") as f:
            f.seek(start)
            data = f.read()
    except OSError:
        return 0.0
    samples = array.array("f")
    samples.frombytes(data[: len(data) // 4 * 4])
    return max((abs(x) for x in samples), default=0.0)

