"""Makes the key sounds: our own synthesis, FluidSynth renders of General MIDI notes and sound
effects, and espeak-ng speech, written by sox in several WAVE encodings."""

import math
import os
import random
import struct
import subprocess
import tempfile
import wave

import numpy as np

import catalog
import loudness
import midi

RATE = 22050
LONGEST = 1.45  # seconds; every key sound is cut to this (ADPCM pads to whole blocks)
SOUNDFONT_CANDIDATES = ["/usr/share/sounds/sf2/FluidR3_GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2"]

ENCODINGS = {  # sox output options for each WAVE encoding
    "pcm16": ["-e", "signed-integer", "-b", "16"],
    "pcm8": ["-e", "unsigned-integer", "-b", "8", "-r", "11025"],
    "ima-adpcm": ["-e", "ima-adpcm"],
    "u-law": ["-e", "u-law"],
}


def run(args):
    try:
        subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    except FileNotFoundError:
        raise RuntimeError(f"{args[0]} is missing; run scripts/bootstrap.sh") from None
    except subprocess.CalledProcessError as error:
        raise RuntimeError(f"{' '.join(args)} failed: {error.stderr.decode(errors='replace')}")


def finish(source, target, encoding, start=None):
    """Cuts source to at most LONGEST seconds (from start), brings it to the loudness target and
    writes target in its encoding."""
    options = ["-c", "1"] + (["-r", "11025"] if encoding == "pcm8" else [])
    samples, rate = loudness.read_audio(source, options, [
        "remix", "-", "trim", str(start or 0), str(LONGEST), "fade", "t", "0.005", "-0", "0.08"])
    aim, ceiling = loudness.TARGET_LUFS, loudness.CEILING_DBTP - 0.5
    for _ in range(4):
        heard, peak = loudness.measure(
            encode(loudness.level(samples[:, 0], rate, aim, ceiling), rate, encoding, target), rate)
        # A coarse encoding (8 bits, u-law, ADPCM) adds overshoots and noise of its own.
        if abs(heard - loudness.TARGET_LUFS) <= 0.3 and peak <= loudness.CEILING_DBTP - 0.1:
            break
        aim = min(aim + loudness.TARGET_LUFS - heard, loudness.TARGET_LUFS + 1.5)
        ceiling -= max(0.0, peak - loudness.CEILING_DBTP + 0.3)


def encode(samples, rate, encoding, path):
    """Writes mono float samples to path in the encoding; returns the samples as written."""
    if encoding in ("pcm16", "pcm8"):
        wide = encoding == "pcm16"
        scale = 32767 if wide else 127
        ints = np.clip(np.round(np.asarray(samples) * scale), -scale, scale)
        with wave.open(path, "wb") as w:
            w.setnchannels(1)
            w.setsampwidth(2 if wide else 1)
            w.setframerate(rate)
            w.writeframes((ints.astype("<i2") if wide else (ints + 128).astype(np.uint8)).tobytes())
        return ints / (scale + 1)
    with tempfile.TemporaryDirectory() as tmp:
        data = np.asarray(samples, dtype="<f4").tobytes()
        with open(f"{tmp}/float.wav", "wb") as f:  # 32-bit float: sox reads it without loss
            f.write(struct.pack("<4sI4s4sIHHIIHH4sI", b"RIFF", 36 + len(data), b"WAVE", b"fmt ",
                                16, 3, 1, rate, rate * 4, 4, 32, b"data", len(data)) + data)
        run(["sox", f"{tmp}/float.wav", *ENCODINGS[encoding], path])
    return loudness.read_audio(path)[0][:, 0]


# ---- our own synthesis ---------------------------------------------------------------------

def synth(duration, freq, amp, harmonics=(1.0,), noise=0.0, seed=1):
    """Samples of a tone whose frequency and loudness follow freq(t) and amp(t)."""
    rng = random.Random(seed)
    out, phase, low = [], 0.0, 0.0
    for n in range(int(duration * RATE)):
        t = n / RATE
        phase += 2 * math.pi * freq(t) / RATE
        value = sum(h * math.sin(k * phase) for k, h in enumerate(harmonics, 1))
        if noise:
            low += 0.2 * (rng.uniform(-1, 1) - low)
            value = value * (1 - noise) + low * noise * 4
        out.append(value * amp(t))
    return out


def bursts(count, length, gap):
    """An envelope of count short bursts."""
    def amp(t):
        k, x = divmod(t, length + gap)
        if k >= count or x > length:
            return 0.0
        return math.sin(math.pi * x / length)
    return amp


def env(attack, release, total):
    return lambda t: min(1.0, t / attack, max(0.0, (total - t) / release))


def rolling(amp, rate, depth):
    """An envelope that rolls `rate` times a second by `depth`, like a growl's rattle."""
    return lambda t: amp(t) * (1 - depth + depth * math.sin(2 * math.pi * rate * t))


def animal(kind, variant=0):
    v = 1.0 + 0.07 * variant
    nasal = (1, 0.8, 0.6, 0.5, 0.4, 0.3)
    recipes = {
        "tiptoe": lambda: sum_notes([(0.1 * i, 2600 + 500 * (i % 2), 0.08) for i in range(7)],
                                    0.8),
        "growl": lambda: synth(1.2, lambda t: 95 * v + 20 * math.sin(math.pi * t / 1.2),
                               rolling(env(0.15, 0.3, 1.2), 22, 0.3),
                               (1, 0.9, 1.0, 0.8, 0.6, 0.5, 0.4, 0.3, 0.2)),
        "moo": lambda: synth(1.3, lambda t: 130 * v - 25 * t, env(0.15, 0.3, 1.3),
                             (1, 0.6, 0.5, 0.3, 0.2)),
        "quack": lambda: synth(0.9, lambda t: 480 * v, bursts(3, 0.14, 0.12), nasal),
        "trumpet": lambda: synth(1.1, lambda t: 300 + 500 * min(1, t * 2), env(0.05, 0.3, 1.1),
                                 (1, 0.9, 0.8, 0.7, 0.6, 0.5, 0.4)),
        "croak": lambda: synth(0.9, lambda t: 180 * v, lambda t: bursts(2, 0.3, 0.15)(t)
                               * (0.5 + 0.5 * math.sin(2 * math.pi * 35 * t)), nasal),
        "neigh": lambda: synth(1.2, lambda t: (900 - 350 * t) * v + 90 * math.sin(2 * math.pi * 18 * t),
                               env(0.05, 0.4, 1.2), (1, 0.5, 0.3)),
        "woof": lambda: synth(0.8, lambda t: 260 - 300 * (t % 0.4), bursts(2, 0.18, 0.2),
                              (1, 0.7, 0.5), noise=0.4),
        "bloop": lambda: synth(0.9, lambda t: 200 + 1500 * ((t * 3.3 * v) % 1) ** 2,
                               bursts(3, 0.2, 0.1)),
        "squeak": lambda: synth(0.6, lambda t: 1500 * v + 1200 * math.sin(math.pi * t / 0.6),
                                bursts(2, 0.2, 0.1), (1, 0.3)),
        "roar": lambda: synth(1.4, lambda t: 120 * v + 90 * math.sin(math.pi * min(1, t / 1.1)),
                              rolling(env(0.1, 0.4, 1.4), 28, 0.25),
                              (0.6, 0.8, 1.0, 0.9, 0.7, 0.6, 0.5, 0.4, 0.3, 0.25, 0.2, 0.15)),
        "oohah": lambda: synth(1.2, lambda t: 450 + 500 * ((t * 3) % 1), bursts(3, 0.3, 0.08),
                               (1, 0.5, 0.2)),
        "meow": lambda: synth(0.9, lambda t: 500 + 400 * math.sin(math.pi * t / 0.9),
                              env(0.1, 0.3, 0.9), (1, 0.6, 0.4, 0.2)),
        "hoot": lambda: synth(1.2, lambda t: 380 - 40 * (t % 0.5), bursts(2, 0.35, 0.2)),
        "oink": lambda: synth(0.8, lambda t: 320 - 200 * (t % 0.35), bursts(2, 0.25, 0.1), nasal,
                              noise=0.2),
        "boing": lambda: synth(1.2, lambda t: 180 + 120 * math.exp(-3 * t) * math.sin(2 * math.pi * 7 * t),
                               env(0.01, 0.8, 1.2), (1, 0.4)),
        "charmer": lambda: synth(1.4, lambda t: CHARMER[min(6, int(t / 0.2))]
                                 * (1 + 0.01 * math.sin(2 * math.pi * 6 * t)),
                                 env(0.05, 0.2, 1.4), (1, 0.7, 0.6, 0.45, 0.35, 0.25, 0.2)),
        "sparkle": lambda: sum_notes([(0.12 * i, 1568 * 2 ** (s / 12), 0.5)
                                      for i, s in enumerate((0, 4, 7, 12, 7, 16, 12, 19))], 1.3),
        "peep": lambda: synth(0.8, lambda t: 2200 + 1400 * ((t * 6) % 1), bursts(4, 0.09, 0.08)),
        "whale": lambda: synth(1.5, lambda t: 250 + 200 * math.sin(math.pi * t / 1.5),
                               env(0.3, 0.4, 1.5), (1, 0.3)),
        "baa": lambda: synth(1.1, lambda t: 360 * v, lambda t: env(0.05, 0.3, 1.1)(t)
                             * (0.6 + 0.4 * math.sin(2 * math.pi * 9 * t)), nasal),
        # a turtle's four slow steps on a wood block
        "plod": lambda: sum_notes([(0.35 * i, f, 0.18) for i in range(4)
                                   for f in ((620, 1680) if i % 2 else (520, 1400))], 1.4),
        # two sung notes a minor third apart, the second after a breath
        "uh-oh": lambda: synth(0.85, lambda t: 392 if t < 0.35 else 311, lambda t: max(
            0.0, math.sin(math.pi * t / 0.3) if t < 0.3 else math.sin(math.pi * (t - 0.4) / 0.45)),
            (1, 0.9, 0.5, 0.3, 0.2)),
        "ding": lambda: sum_notes([(0.0, 1047, 1.2), (0.0, 2637, 0.8)], 1.4),
        "slide-down": lambda: synth(0.9, lambda t: 1600 - 1300 * t / 0.9, env(0.02, 0.1, 0.9)),
        "slide-up": lambda: synth(0.9, lambda t: 300 + 1300 * t / 0.9, env(0.02, 0.1, 0.9)),
        "zip-up": lambda: synth(0.6, lambda t: 600 + 2000 * (t % 0.3), bursts(2, 0.25, 0.05), (1, 0.3)),
        "zip-down": lambda: synth(0.6, lambda t: 2600 - 2000 * (t % 0.3), bursts(2, 0.25, 0.05), (1, 0.3)),
    }
    return recipes[kind]()


# A snake charmer's pipe: D5 E5 F5 E5 D5 C#5 D5, 0.2 s each.
CHARMER = [587, 659, 698, 659, 587, 554, 587]


def sum_notes(notes, duration):
    """Bell-like notes (start, frequency, ring time) mixed into one sound."""
    out = [0.0] * int(duration * RATE)
    for start, freq, ring in notes:
        first = int(start * RATE)
        for n in range(first, min(len(out), first + int(ring * RATE))):
            t = (n - first) / RATE
            out[n] += math.sin(2 * math.pi * freq * t) * math.exp(-4 * t / ring)
    return out


KIDS1_LETTERS = ["tiptoe", "growl", "moo", "quack", "trumpet", "croak", "squeak", "neigh", "woof",
                 "bloop", "squeak", "roar", "oohah", "meow", "hoot", "oink", "bloop", "boing",
                 "charmer", "roar", "sparkle", "peep", "whale", "bloop", "baa", "neigh"]
EXTRA_SYNTH = ["plod", "ding", "slide-down", "slide-up", "zip-up", "zip-down"]


def write_pcm16(samples, path):
    peak = max(1e-9, max(abs(s) for s in samples))
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(b"".join(struct.pack("<h", int(30000 * s / peak)) for s in samples))


def synth_set(tmp):
    """Animal and funny sounds: digits are that many peeps, zero an "uh-oh"."""
    sounds = {}
    for d in range(10):
        if d == 0:
            sounds["0"] = animal("uh-oh")
        else:
            gap = min(0.1, (LONGEST - 0.06 * d) / d)
            sounds[str(d)] = synth(d * (0.06 + gap), lambda t: 1800 + 600 * ((t * 12) % 1),
                                   bursts(d, 0.06, gap))
    for i, kind in enumerate(KIDS1_LETTERS):
        sounds[catalog.SOUND_SLOTS[10 + i]] = animal(kind, i % 5)
    for name, kind in zip(catalog.EXTRA_NAMES, EXTRA_SYNTH):
        sounds[name] = animal(kind)
    for slot, samples in sounds.items():
        write_pcm16(samples, f"{tmp}/{slot}.wav")
    return {slot: (f"{tmp}/{slot}.wav", None) for slot in catalog.SOUND_SLOTS}


# ---- FluidSynth ----------------------------------------------------------------------------

SPACING = 2.0  # seconds between two slots in the rendered strip

# (channel, program, [(start s, note, length s)]); channel 9 is the drum kit.
GM_EFFECTS_LETTERS = [
    (0, 125, [(0, 48, 1.3)]), (1, 61, [(0, 55, 0.2), (0, 59, 0.2), (0.3, 55, 0.4), (0.3, 59, 0.4)]),
    (2, 58, [(0, 50, 0.15), (0.25, 50, 0.3)]),
    (2, 10, [(i * 0.1, 84 - 2 * i + 3 * (i % 2), 0.3) for i in range(10)]),
    (3, 56, [(0, 72, 0.15), (0.15, 76, 0.15), (0.3, 79, 0.15), (0.45, 84, 0.8)]),
    (4, 78, [(i * 0.3, 81 if i % 2 else 76, 0.28) for i in range(4)]), (5, 102, [(0, 48, 1.2)]),
    (0, 125, [(0, 60, 1.3)]), (6, 112, [(i * 0.12, 84 + s, 0.5) for i, s in enumerate((0, 4, 7, 12))]),
    (9, 0, [(i * 0.25, 79, 0.2) for i in range(4)]), (7, 120, [(0, 50, 0.8)]),
    (8, 76, [(0, 71, 0.9), (0, 74, 0.9)]), (0, 30, [(0, 40, 1.0)]), (1, 121, [(0, 40, 1.2)]),
    (2, 55, [(0, 60, 0.5)]), (3, 78, [(i * 0.35, 84 if i % 2 else 79, 0.33) for i in range(4)]),
    (4, 16, [(0, 64, 0.25), (0, 68, 0.25), (0.35, 64, 0.4), (0.35, 68, 0.4)]),
    (5, 80, [(i * 0.06, 48 + 2 * i, 0.08) for i in range(20)]), (6, 58, [(0, 33, 1.3)]),
    (9, 0, [(i * 0.15, 47, 0.1) for i in range(8)]), (7, 103, [(0, 72, 1.2)]),
    (8, 113, [(0, 72, 0.3), (0.3, 67, 0.3)]), (8, 8, [(0, 88, 0.4), (0.15, 95, 0.6)]),
    (9, 0, [(0, 81, 0.4), (0.45, 81, 0.6)]), (0, 58, [(0, 38, 1.2), (0, 45, 1.2)]),
    (9, 0, [(0, 78, 0.2), (0.25, 79, 0.2), (0.5, 78, 0.2), (0.75, 79, 0.4)]),
]
GM_EFFECTS_EXTRAS = [
    (1, 73, [(0, 76, 0.35), (0, 80, 0.35), (0.45, 76, 0.6), (0.45, 80, 0.6)]),
    (1, 112, [(0, 84, 1.0), (0, 91, 1.0)]),
    (2, 117, [(i * 0.12, 60 - 3 * i, 0.2) for i in range(6)]),
    (2, 117, [(i * 0.12, 45 + 3 * i, 0.2) for i in range(6)]),
    (3, 115, [(0, 67, 0.2), (0.25, 72, 0.3)]), (3, 115, [(0, 72, 0.2), (0.25, 67, 0.3)]),
]
WHITE = [0, 2, 4, 5, 7, 9, 11]


def white_key(start, count):
    return [12 * (start + i // 7) + WHITE[i % 7] for i in range(count)]


SCALES_EXTRAS = [
    (2, 0, [(0, 60, 1.2), (0, 64, 1.2), (0, 67, 1.2)]),
    (3, 9, [(i * 0.15, n, 0.8) for i, n in enumerate((72, 76, 79, 84))]),
    (4, 46, [(i * 0.07, n, 0.6) for i, n in enumerate(reversed(white_key(5, 12)))]),
    (4, 46, [(i * 0.07, n, 0.6) for i, n in enumerate(white_key(5, 12))]),
    (5, 12, [(0, 67, 0.4), (0.4, 72, 0.6)]), (6, 11, [(0, 72, 0.4), (0.4, 67, 0.6)]),
]


def gm_strip(slots):
    """A MIDI file that plays each slot's notes SPACING seconds after the previous slot's."""
    ticks_per_second = midi.TICKS * 2  # tempo 120
    events = [(0, b"\xff\x51\x03" + (500000).to_bytes(3, "big"))]
    for i, (channel, program, notes) in enumerate(slots):
        base = i * SPACING
        events.append((round(base * ticks_per_second), bytes((0xC0 | channel, program))))
        for start, note, length in notes:
            on = round((base + start + 0.02) * ticks_per_second)
            events.append((on, bytes((0x90 | channel, note, 110))))
            events.append((on + round(length * ticks_per_second), bytes((0x80 | channel, note, 0))))
    return struct.pack(">4sIHHH", b"MThd", 6, 0, 1, midi.TICKS) + midi._track(events)


def render_strip(slots, tmp, name):
    soundfont = next((p for p in SOUNDFONT_CANDIDATES if os.path.exists(p)), None)
    if soundfont is None:
        raise RuntimeError("no General MIDI SoundFont; run scripts/bootstrap.sh")
    mid, out = f"{tmp}/{name}.mid", f"{tmp}/{name}.wav"
    with open(mid, "wb") as f:
        f.write(gm_strip(slots))
    run(["fluidsynth", "-n", "-i", "-q", "-R", "0", "-C", "0", "-g", "0.8", "-r", str(RATE),
         "-T", "wav", "-F", out, soundfont, mid])
    return {slot: (out, i * SPACING) for i, slot in enumerate(catalog.SOUND_SLOTS)}


def gm_effects_set(tmp):
    digits = [(0, 123, [(0, 72, 1.2)])] + [
        (1, 108, [(i * min(0.15, 1.3 / d), 72 + WHITE[i % 7], 0.2) for i in range(d)])
        for d in range(1, 10)]
    return render_strip(digits + GM_EFFECTS_LETTERS + GM_EFFECTS_EXTRAS, tmp, "effects")


def scales_set(tmp):
    """Digits up a xylophone scale, letters up the white keys of a piano, extras as chords."""
    digits = [(0, 13, [(0, n, 1.0)]) for n in white_key(6, 10)]
    letters = [(1, 0, [(0, n, 1.2)]) for n in white_key(4, 26)]
    return render_strip(digits + letters + SCALES_EXTRAS, tmp, "scales")


# ---- speech --------------------------------------------------------------------------------

def speech_set(tmp, voice):
    if voice == "en-us":
        words = [p[1] for p in catalog.PICTURE_SETS[3][3]]
        texts = catalog.DIGIT_WORDS_EN + [f"{c}. {w}" for c, w in zip(catalog.LETTERS, words)] \
            + [w.lower() for w in catalog.EXTRA_LABELS_EN]
    else:
        words = [p[2] for p in catalog.PICTURE_SETS[4][3]]
        texts = catalog.DIGIT_WORDS_JA + [f"{k}、{w}" for k, w in zip(catalog.KANA, words)] \
            + catalog.EXTRA_LABELS_JA
    sources = {}
    for slot, text in zip(catalog.SOUND_SLOTS, texts):
        path = f"{tmp}/{slot}.wav"
        run(["espeak-ng", "-v", voice, "-s", "165", "-w", path, text])
        sources[slot] = (path, None)
    return sources


def make_set(set_index, out_dir):
    """Writes the 42 sounds of one set; returns their relative paths in slot order."""
    name, _, source, encoding = catalog.SOUND_SETS[set_index]
    with tempfile.TemporaryDirectory() as tmp:
        sources = {
            "synth": lambda: synth_set(tmp),
            "gm-effects": lambda: gm_effects_set(tmp),
            "scales": lambda: scales_set(tmp),
            "english": lambda: speech_set(tmp, "en-us"),
            "japanese": lambda: speech_set(tmp, "ja"),
        }[source]()
        paths = []
        for slot in catalog.SOUND_SLOTS:
            rel = catalog.sound_path(set_index, slot)
            src, start = sources[slot]
            finish(src, f"{out_dir}/{rel}", encoding, start)
            paths.append(rel)
    return paths
