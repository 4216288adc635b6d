"""Set-up shared by the benchmark scripts: a throw-away copy of the program with the prepared
content beside it (as the build lays it out), and a few measurements of the screen and sound."""
import os
import shutil
import sys

from Xlib import X

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import e2e_common as e2e  # noqa: E402,F401  (re-exported for the scripts)

CONTENT = ("PIKORO.ini", "default.pik", "pikoro.hlp", "bmp", "wav", "mid")


def prepare(executable, prefix, content=True):
    """The program in an application folder of its own, with (by default) the build's prepared
    content beside it: the settings file and data file copied, the picture, sound and piece
    folders linked. Returns (work, app_folder, program, config, runtime)."""
    executable = os.path.abspath(executable)
    work, program, config, runtime = e2e.prepare_folders(executable, prefix)
    app_folder = os.path.dirname(program)
    if content:
        source = os.path.dirname(executable)
        if not os.path.isfile(os.path.join(source, "PIKORO.ini")):
            sys.exit("no prepared content beside %s (build the pikoro_content target)" % executable)
        for name in CONTENT:
            path = os.path.join(source, name)
            if os.path.isdir(path):
                os.symlink(path, os.path.join(app_folder, name))
            elif os.path.isfile(path):
                shutil.copy2(path, app_folder)
    return work, app_folder, program, config, runtime


def screenshot_colours(d, x, y, width, height):
    """Number of distinct colours in a region of the screen (every 4th pixel)."""
    data = d.screen().root.get_image(x, y, width, height, X.ZPixmap, 0xFFFFFFFF).data
    return len({bytes(data[i:i + 3]) for i in range(0, len(data) - 4, 16)})


def windows(d):
    """The viewable top-level windows as (window, name, width, height)."""
    return [(w, name, width, height) for w, name, _, _, width, height in e2e.top_windows(d)]
