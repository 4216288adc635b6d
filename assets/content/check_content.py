#!/usr/bin/python3
"""Checks generated content: every slot of every set in PIKORO.ini and default.pik names a file
that decodes, the sets differ, every reader's format is present, and every sound and piece meets
the loudness target and is a tone rather than static. Prints the loudness table.

    check_content.py [--render-piece TOOL] CONTENT_FOLDER [APP_FOLDER]

default.pik's paths are "."-relative, or complete under APP_FOLDER when it is given. TOOL plays
the pieces through the program's synthesizer so that they are measured as they are heard.
"""

import argparse
import hashlib
import os
import re
import struct
import subprocess
import sys
import tempfile
import wave

import numpy as np
from PIL import Image

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import catalog  # noqa: E402
import loudness  # noqa: E402

parser = argparse.ArgumentParser()
parser.add_argument("--render-piece")
parser.add_argument("folder")
parser.add_argument("app_folder", nargs="?", default="")
options = parser.parse_args()
folder = os.path.abspath(options.folder)
app_folder = (options.app_folder or ".").rstrip("/")
faults = []
formats = set()


def fault(text):
    faults.append(text)


def read_ini(path):
    sections, current = {}, None
    with open(path, encoding="utf-8", newline="") as f:
        text = f.read()
    if "\n" in text.replace("\r\n", ""):
        fault("PIKORO.ini has a line end other than CR LF")
    for line in text.splitlines():
        if m := re.fullmatch(r"\[(.+)\]", line):
            current = sections.setdefault(m[1], {})
        elif "=" in line:
            key, value = line.split("=", 1)
            current[key] = value
    return sections


def check_wave(path):
    with open(path, "rb") as f:
        head = f.read(64)
    tag = struct.unpack_from("<H", head, 20)[0] if head[:4] == b"RIFF" and head[12:16] == b"fmt " else None
    if tag == 1:
        with wave.open(path) as w:
            frames, rate, width = w.readframes(w.getnframes()), w.getframerate(), w.getsampwidth()
            seconds = w.getnframes() / rate
        samples = frames if width == 1 else struct.unpack(f"<{len(frames) // 2}h", frames)
        centre, full = (128, 128) if width == 1 else (0, 32768)
        peak = max(abs(s - centre) for s in samples) / full
        formats.add(f"pcm{8 * width}")
    elif tag in (0x11, 7):
        stat = subprocess.run(["sox", path, "-n", "stat"], capture_output=True, text=True).stderr
        values = dict(re.findall(r"^(Length \(seconds\)|Maximum amplitude):\s+(\S+)", stat, re.M))
        if len(values) < 2:
            return fault(f"{path}: sox cannot decode it: {stat.strip()[:200]}")
        seconds, peak = float(values["Length (seconds)"]), float(values["Maximum amplitude"])
        formats.add({0x11: "ima-adpcm", 7: "u-law"}[tag])
    else:
        return fault(f"{path}: not a WAVE file of a known encoding ({tag})")
    if not 0.1 <= seconds <= 1.5:
        fault(f"{path}: lasts {seconds:.2f} s")
    if not 0.1 <= peak < 0.99:
        fault(f"{path}: peak {peak:.2f} (silent or clipping)")


def check_wmf(data, path):
    if struct.unpack_from("<I", data)[0] != 0x9AC6CDD7:
        return fault(f"{path}: metafile without placeable header")
    left, top, right, bottom, inch = struct.unpack_from("<hhhhH", data, 6)
    pos = 22 + 18
    while pos + 6 <= len(data):
        words, function = struct.unpack_from("<IH", data, pos)
        if words < 3:
            break
        pos += 2 * words
        if function == 0:
            return (right - left) * 96 // inch, (bottom - top) * 96 // inch
    fault(f"{path}: metafile records do not end with the end record")


def check_picture(path):
    with open(path, "rb") as f:
        data = f.read()
    if path.endswith(".wmf"):
        size = check_wmf(data, path)
        formats.add("wmf")
    else:
        try:
            with Image.open(path) as image:
                image.load()
                size = image.size
                formats.add(image.format.lower() + str(image.info.get("compression", "")))
        except Exception as error:  # PIL raises many kinds
            return fault(f"{path}: does not open: {error}")
    if size and not (32 <= size[0] <= 1000 and 32 <= size[1] <= 560):
        fault(f"{path}: {size[0]} x {size[1]} does not suit the picture area")


def check_midi(path):
    with open(path, "rb") as f:
        data = f.read()
    kind, tracks, division = struct.unpack_from(">4sIHHH", data)[2:] if data[:4] == b"MThd" else (0, 0, 0)
    pos, notes, end_tick, tempo = 14, 0, 0, 500000
    for _ in range(tracks):
        if data[pos:pos + 4] != b"MTrk":
            return fault(f"{path}: track chunk missing")
        length = struct.unpack_from(">I", data, pos + 4)[0]
        pos, stop, tick, status = pos + 8, pos + 8 + length, 0, 0
        while pos < stop:
            delta = 0
            while True:
                delta, pos = (delta << 7) | (data[pos] & 0x7F), pos + 1
                if data[pos - 1] < 0x80:
                    break
            tick += delta
            if data[pos] & 0x80:
                status, pos = data[pos], pos + 1
            if status == 0xFF:
                meta, size, pos = data[pos], data[pos + 1], pos + 2
                tempo = int.from_bytes(data[pos:pos + 3], "big") if meta == 0x51 else tempo
                pos += size
            else:
                notes += (status & 0xF0) == 0x90 and data[pos + 1] > 0
                pos += 1 if status & 0xF0 in (0xC0, 0xD0) else 2
        end_tick = max(end_tick, tick)
    seconds = end_tick / max(division, 1) * tempo / 1e6
    if kind not in (0, 1) or notes < 20 or not 10 <= seconds <= 31.5:
        fault(f"{path}: format {kind}, {notes} notes, {seconds:.1f} s")
    return kind


def check_file(path, kind):
    if not os.path.isfile(path) or os.path.getsize(path) < 200:
        return fault(f"{path}: missing or nearly empty")
    {"wav": check_wave, "bmp": check_picture, "mid": check_midi}[kind](path)


def resolve(value):
    return f"{folder}/{value}" if value.startswith(".") else value


ini = read_ini(f"{folder}/PIKORO.ini")
hashes = {}
for kind, section, groups in (("wav", "SoundFile", (("Sound", 10), ("SoundOp", 32))),
                              ("bmp", "BMPFile", (("BMP", 10), ("BMPOp", 33)))):
    for m in range(5):
        entries = ini.get(f"{section} {m}", {})
        paths = [entries.get(f"{key} {n}", "") for key, count in groups for n in range(count)]
        if not all(p.startswith("./") for p in paths):
            fault(f"[{section} {m}] lacks slots or has paths that are not \".\"-relative")
        for p in paths:
            check_file(resolve(p), kind)
        digests = [hashlib.sha1(open(resolve(p), "rb").read()).digest()
                   for p in paths if os.path.isfile(resolve(p))]
        if len(set(digests)) != len(digests):
            fault(f"[{section} {m}] holds the same file content twice")
        for other, seen in hashes.items():
            if seen & set(digests):
                fault(f"[{section} {m}] shares files with {other}")
        hashes[f"{section} {m}"] = set(digests)
midis = [ini.get("MIDIFile", {}).get(f"MIDIOp {n}", "") for n in range(22)]
kinds = {check_midi(resolve(p)) for p in midis if os.path.isfile(resolve(p))}
if len(kinds) != 2 or not all(os.path.isfile(resolve(p)) for p in midis) \
        or len({open(resolve(p), "rb").read() for p in midis}) != 22:
    fault(f"[MIDIFile] must name 22 different pieces in both file formats: {midis}")
if ini.get("Pikoro", {}).get("StartupData") != "./default.pik":
    fault("PIKORO.ini does not open default.pik at start-up")
if ini.get("Pikoro", {}).get("AskNameForSettings") != "-1":
    fault("PIKORO.ini does not ask for the user name before the settings window")
if not ini.get("BMPFile", {}).get("BMPOp 32") or ini.get("SoundFlag", {}).get("SoundFlag") != "-1":
    fault("the opening picture or the WAVE switch is missing")

with open(f"{folder}/default.pik", "rb") as f:
    lines = f.read().decode("utf-8").split("\r\n")
if len(lines) != 114 or lines[-1] or lines[0] != "## ピコロVersion 4データファイル" \
        or lines[112] != "PIKORO_DATA_FILE" \
        or (lines[2], lines[46], lines[89]) != ("ピクチャーデータ", "サウンドデータ", "MIDIデータ"):
    fault("default.pik does not have the 113-line data file layout")
else:
    for number, line in enumerate(lines[:112], 1):
        if number in (1, 2, 3, 47, 90):
            continue
        if not line.startswith(app_folder + "/"):
            fault(f"default.pik line {number}: {line} is not under {app_folder}")
            continue
        kind = "bmp" if number < 47 else "wav" if number < 90 else "mid"
        check_file(folder + line[len(app_folder):], kind)



def check_level(name, samples, rate):
    """Loudness, true peak and flatness of one sound or piece; faults when off target."""
    heard, peak = loudness.measure(samples[:, 0] if samples.shape[1] == 1 else samples, rate)
    flat = loudness.flatness(samples, rate)
    if abs(heard - loudness.TARGET_LUFS) > loudness.TOLERANCE_LU:
        fault(f"{name}: {heard:.1f} LUFS, not within {loudness.TOLERANCE_LU} LU of "
              f"{loudness.TARGET_LUFS}")
    if peak > loudness.CEILING_DBTP:
        fault(f"{name}: true peak {peak:.1f} dBTP over {loudness.CEILING_DBTP}")
    if flat > loudness.NOISE_FLATNESS:
        fault(f"{name}: spectral flatness {flat:.2f}: it sounds like static")
    return heard, peak, flat


def level_table():
    """Measures every prepared sound (per set) and every piece and prints the table."""
    rows = {}
    for m in range(5):
        for key, value in ini.get(f"SoundFile {m}", {}).items():
            if os.path.isfile(resolve(value)):
                cells = rows.setdefault(key, [None] * 5)
                cells[m] = check_level(value, *loudness.read_audio(resolve(value)))
    pieces = []
    if options.render_piece:
        with tempfile.TemporaryDirectory() as tmp:
            args = [a for n, p in enumerate(midis) for a in (resolve(p), f"{tmp}/{n}.f32")]
            done = subprocess.run([options.render_piece, *args], capture_output=True, text=True)
            if done.returncode != 0:
                return fault(f"the pieces do not render: {done.stderr.strip()[:300]}")
            print(f"pieces played by the program's synthesizer with {done.stdout.strip()}")
            for n, p in enumerate(midis):
                stereo = np.fromfile(f"{tmp}/{n}.f32", dtype="<f4").reshape(-1, 2)
                pieces.append((p, check_level(p, stereo, 48000)))
    else:
        print("pieces not measured: no --render-piece")

    def cell(c):
        return f"{c[0]:.1f} / {c[1]:.1f} / {c[2]:.2f}" if c else "-"

    print("Loudness (LUFS; a mono WAVE as dual mono) / true peak (dBTP) / spectral flatness")
    print("| slot | " + " | ".join(s[0] for s in catalog.SOUND_SETS) + " |")
    for key, cells in rows.items():
        print(f"| {key} | " + " | ".join(cell(c) for c in cells) + " |")
    print("| piece | LUFS / dBTP / flatness |")
    for p, c in pieces:
        print(f"| {p} | {cell(c)} |")
    groups = [(f"`wav/{catalog.SOUND_SETS[m][0]}` (42)", [c[m] for c in rows.values() if c[m]])
              for m in range(5)] + [(f"`mid` ({len(pieces)} pieces)", [c for _, c in pieces])]
    print("| Sounds | Loudness | Highest true peak | Highest flatness |\n|---|---|---|---|")
    for name, cells in groups:
        if cells:
            low, high = min(c[0] for c in cells), max(c[0] for c in cells)
            print(f"| {name} | {low:.1f} to {high:.1f} LUFS | {max(c[1] for c in cells):.1f} dBTP"
                  f" | {max(c[2] for c in cells):.2f} |")


level_table()

wanted = {"pcm8", "pcm16", "ima-adpcm", "u-law", "bmp0", "bmp1", "png", "ico", "wmf"}
if not wanted <= formats:
    fault(f"formats missing: {sorted(wanted - formats)}")
for text in faults:
    print(text)
print(f"{len(faults)} faults; formats {sorted(formats)}")
sys.exit(1 if faults else 0)
