#!/usr/bin/python3
"""Builds the prepared content: five picture sets, five sound sets, the MIDI pieces, PIKORO.ini
and default.pik, all into one folder laid out as an application folder.

    gen_content.py --out build/content [--app-folder /opt/pikoro] [--jobs 2] [--stamp FILE]

PIKORO.ini and default.pik name their files with "."-relative paths, which the program completes
with its application folder; PIKORO.ini has the program open default.pik at every start. With
--app-folder, default.pik names them with complete paths under that folder instead.
"""

import argparse
import datetime
import multiprocessing
import os
import shutil
import sys
import time

sys.dont_write_bytecode = True  # keep the source folder clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import catalog  # noqa: E402
import midi  # noqa: E402

OPTION_FLAGS = [("SoundFlag", "-1"), ("RENFlag", " 0"), ("OPENFlag", "-1"), ("CDFlag", "-1"),
                ("TomeiFlag", " 0"), ("AIUEOFlag", " 0")]


def picture_job(args):
    import pictures
    return "bmp", args[0], pictures.make_set(*args)


def sound_job(args):
    import sounds
    return "wav", args[0], sounds.make_set(*args)


def run_job(job):
    kind, args = job
    return picture_job(args) if kind == "bmp" else sound_job(args)


def settings_text(pictures, sounds, midis):
    lines = []
    for name, value in OPTION_FLAGS:
        lines += [f"[{name}]", f"{name}={value}", ""]
    # Quick keys sound at once and every key answers; OK keeps the keys for the next start; the
    # settings window asks for the user name before it opens, so a child's Shift + click does not
    # reach the parent's settings; a key sound that cannot be played is reported (all absent from
    # older files: off there).
    lines += ["[Pikoro]", "StartupData=./default.pik", "AnswerEveryKey=-1",
              "KeepSetupInUserFile=-1", "AskNameForSettings=-1", "SoundMessages=1", ""]
    lines += ["[BMPFile]", f"BMPOp 32=./{pictures[0][-1]}", "", "[MIDIFile]"]
    lines += [f"MIDIOp {n}=./{rel}" for n, rel in enumerate(midis)] + [""]
    for m, paths in enumerate(sounds):
        lines.append(f"[SoundFile {m}]")
        lines += [f"Sound {d}=./{paths[d]}" for d in range(10)]
        lines += [f"SoundOp {n}=./{paths[10 + n]}" for n in range(32)]
        lines.append("")
    for m, paths in enumerate(pictures):
        lines.append(f"[BMPFile {m}]")
        lines += [f"BMP {d}=./{paths[d]}" for d in range(10)]
        lines += [f"BMPOp {n}=./{paths[10 + n]}" for n in range(33)]
        lines.append("")
    return "\r\n".join(lines)


def data_file_text(app_folder, pictures, sounds, midis, date):
    """Set 0's pictures and sounds and all pieces, in the 113-line data file layout."""
    lines = ["## ピコロVersion 4データファイル", date.strftime("%Y/%m/%d"), "ピクチャーデータ"]
    lines += [f"{app_folder}/{rel}" for rel in pictures]
    lines.append("サウンドデータ")
    lines += [f"{app_folder}/{rel}" for rel in sounds]
    lines.append("MIDIデータ")
    lines += [f"{app_folder}/{rel}" for rel in midis]
    lines.append("PIKORO_DATA_FILE")
    assert len(lines) == 113
    if any("," in line or line != line.strip() for line in lines):
        raise RuntimeError(f"{app_folder}: a data file path may not hold a comma or edge blanks")
    return "\r\n".join(lines) + "\r\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", required=True)
    parser.add_argument("--app-folder")
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--stamp")
    options = parser.parse_args()
    out = os.path.abspath(options.out)
    app_folder = options.app_folder.rstrip("/") if options.app_folder else "."
    started = time.monotonic()

    for sub in ("bmp", "wav", "mid"):
        shutil.rmtree(f"{out}/{sub}", ignore_errors=True)
    for m in range(5):
        os.makedirs(f"{out}/bmp/{catalog.PICTURE_SETS[m][0]}")
        os.makedirs(f"{out}/wav/{catalog.SOUND_SETS[m][0]}", exist_ok=True)
    os.makedirs(f"{out}/mid")

    # The slowest jobs first, so the two workers finish together.
    jobs = [("wav", (m, out)) for m in (1, 2, 0, 3, 4)] + [("bmp", (m, out)) for m in range(5)]
    pictures, sounds = [None] * 5, [None] * 5
    with multiprocessing.Pool(max(1, min(options.jobs, 2))) as pool:
        midis = [catalog.midi_path(n) for n in range(22)]
        midi.write_all(out, midis)
        for kind, m, paths in pool.imap_unordered(run_job, jobs):
            (pictures if kind == "bmp" else sounds)[m] = paths

    date = datetime.date.fromtimestamp(int(os.environ.get("SOURCE_DATE_EPOCH", time.time())))
    with open(f"{out}/PIKORO.ini", "w", encoding="utf-8", newline="") as f:
        f.write(settings_text(pictures, sounds, midis) + "\r\n")
    with open(f"{out}/default.pik", "w", encoding="utf-8", newline="") as f:
        f.write(data_file_text(app_folder, pictures[0], sounds[0], midis, date))
    if options.stamp:
        with open(options.stamp, "w") as f:
            f.write(f"{time.monotonic() - started:.1f} s\n")
    print(f"content: {out} in {time.monotonic() - started:.1f} s")


if __name__ == "__main__":
    main()
