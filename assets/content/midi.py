"""Standard MIDI files: our arrangements (melody and a simple bass) of public-domain tunes."""

import struct

TICKS = 480  # per quarter note

# Each piece: (title, melody GM program, bass GM program, tempo in quarter notes a minute,
# melody, bass roots, beats per bass note, pickup beats, times played).
# Melody tokens: pitch + octave + length (w h q e s = 4 2 1 1/2 1/4 beats, "." adds half),
# "r" + length is a rest. Bass tokens are chord roots ("-" for none), one per bass note.
PIECES = [
    ("Twinkle, Twinkle, Little Star / きらきら星", 10, 32, 100,
     "C4q C4q G4q G4q A4q A4q G4h F4q F4q E4q E4q D4q D4q C4h "
     "G4q G4q F4q F4q E4q E4q D4h G4q G4q F4q F4q E4q E4q D4h "
     "C4q C4q G4q G4q A4q A4q G4h F4q F4q E4q E4q D4q D4q C4h",
     "C C F C F C G C C F C G C F C G C C F C F C G C", 2, 0, 1),
    ("Mary Had a Little Lamb / メリーさんのひつじ", 0, 32, 140,
     "E4q D4q C4q D4q E4q E4q E4h D4q D4q D4h E4q G4q G4h "
     "E4q D4q C4q D4q E4q E4q E4q E4q D4q D4q E4q D4q C4w",
     "C C C C G G C C C C C C G G C C", 2, 0, 2),
    ("London Bridge Is Falling Down / ロンドン橋", 12, 32, 130,
     "G4q. A4e G4q F4q E4q F4q G4h D4q E4q F4h E4q F4q G4h "
     "G4q. A4e G4q F4q E4q F4q G4h D4h G4q E4q C4w",
     "C C C C G G C C C C C C G G C C", 2, 0, 2),
    ("Frère Jacques / かねがなる", 9, 33, 110,
     "C4q D4q E4q C4q C4q D4q E4q C4q E4q F4q G4h E4q F4q G4h "
     "G4e A4e G4e F4e E4q C4q G4e A4e G4e F4e E4q C4q C4q G3q C4h C4q G3q C4h",
     "C C C C C C C C C C C C C G C G", 2, 0, 1),
    ("Old MacDonald Had a Farm / ゆかいな牧場", 105, 32, 120,
     "G4q G4q G4q D4q E4q E4q D4h B4q B4q A4q A4q G4h. D4q "
     "G4q G4q G4q D4q E4q E4q D4h B4q B4q A4q A4q G4w",
     "G G C G G D G G G G C G G D G G", 2, 0, 1),
    ("Ode to Joy / よろこびのうた", 48, 43, 120,
     "E4q E4q F4q G4q G4q F4q E4q D4q C4q C4q D4q E4q E4q. D4e D4h "
     "E4q E4q F4q G4q G4q F4q E4q D4q C4q C4q D4q E4q D4q. C4e C4h",
     "C C C G C C C G C C C G C C G C", 2, 0, 1),
    ("かえるのうた (Froschgesang)", 71, 32, 110,
     "C4q D4q E4q F4q E4q D4q C4h E4q F4q G4q A4q G4q F4q E4h "
     "C4h C4h C4h C4h C4e C4e D4e D4e E4e E4e F4e F4e E4q D4q C4h",
     "C C C G C F C C C C C C C F G C", 2, 0, 1),
    ("ちょうちょう (Hänschen klein)", 73, 32, 144,
     "G4q E4q E4h F4q D4q D4h C4q D4q E4q F4q G4q G4q G4h "
     "G4q E4q E4q E4q F4q D4q D4q D4q C4q E4q G4q G4q E4q E4q E4h "
     "D4q D4q D4q D4q D4q E4q F4h E4q E4q E4q E4q E4q F4q G4h "
     "G4q E4q E4h F4q D4q D4h C4q E4q G4q G4q C4w",
     "C C G G C C C C C C G G C C C C G G G G C C C C C C G G C G C C", 2, 0, 1),
    ("Row, Row, Row Your Boat / こげこげボート", 24, 32, 110,
     "C4q. C4q. C4q D4e E4q. E4q D4e E4q F4e G4h. "
     "C5e C5e C5e G4e G4e G4e E4e E4e E4e C4e C4e C4e G4q F4e E4q D4e C4h.",
     "C C C C C C G C", 3, 0, 2),
    ("Hot Cross Buns", 11, 32, 120,
     "E4q D4q C4h E4q D4q C4h C4e C4e C4e C4e D4e D4e D4e D4e E4q D4q C4h",
     "C G C C C G G C", 2, 0, 3),
    ("Jingle Bells / ジングルベル", 8, 32, 160,
     "E4q E4q E4h E4q E4q E4h E4q G4q C4q. D4e E4w "
     "F4q F4q F4q. F4e F4q E4q E4q E4e E4e E4q D4q D4q E4q D4h G4h "
     "E4q E4q E4h E4q E4q E4h E4q G4q C4q. D4e E4w "
     "F4q F4q F4q. F4e F4q E4q E4q E4e E4e G4q G4q F4q D4q C4w",
     "C C C C C C C C F F C C D D G G C C C C C C C C F F C C G G C C", 2, 0, 1),
    ("Yankee Doodle / アルプス一万尺", 72, 32, 140,
     "C4q C4q D4q E4q C4q E4q D4q G3q C4q C4q D4q E4q C4h B3h "
     "C4q C4q D4q E4q F4q E4q D4q C4q B3q G3q A3q B3q C4h C4h",
     "C C C G C C C G C C F C G G C C", 2, 0, 2),
    ("This Old Man", 56, 32, 136,
     "G4q E4q G4h G4q E4q G4h A4q G4q F4q E4q D4q E4q F4h "
     "E4q F4q G4q C4q C4e C4e C4q C4e D4e E4e F4e G4q D4q D4q F4q E4q D4q C4h",
     "C C C C F C G G C C C C G G G C", 2, 0, 2),
    ("Au clair de la lune / 月の光に", 6, 32, 150,
     "C4q C4q C4q D4q E4h D4h C4q E4q D4q D4q C4w "
     "C4q C4q C4q D4q E4h D4h C4q E4q D4q D4q C4w "
     "D4q D4q D4q D4q A3h A3h D4q C4q B3q A3q G3w "
     "C4q C4q C4q D4q E4h D4h C4q E4q D4q D4q C4w",
     "C C C G C G C C C C C G C G C C G G A A G G G G C C C G C G C C", 2, 0, 1),
    ("さくらさくら", 77, 32, 112,
     "A4q A4q B4h A4q A4q B4h A4q B4q C5q B4q A4q B4e A4e F4h "
     "E4q C4q E4q F4q E4q E4e C4e B3h A4q B4q C5q B4q A4q B4e A4e F4h "
     "E4q C4q E4q F4q E4q E4e C4e B3h A4q A4q B4h A4q A4q B4h "
     "E4q F4q B4e A4e F4q E4w",
     "A A A A A A D D A A E E A A D D A A E E A A A A E E A E", 2, 0, 1),
    ("Für Elise (opening)", 0, 32, 72,
     "E5s D#5s E5s D#5s E5s B4s D5s C5s A4e rs C4s E4s A4s B4e rs E4s G#4s B4s "
     "C5e rs E4s E5s D#5s E5s D#5s E5s B4s D5s C5s A4e rs C4s E4s A4s "
     "B4e rs E4s C5s B4s A4q",
     "- A E A - A E A", 1.5, 0.5, 2),
    ("Pop Goes the Weasel", 21, 32, 160,
     "C4q C4e D4q D4e E4e G4e E4e C4q. C4q C4e D4q D4e E4q. C4q. "
     "C4q C4e D4q D4e E4e G4e E4e C4q. A4q. D4q F4e E4q. C4q.",
     "C C G C C C F C", 3, 0, 3),
    ("Camptown Races / 草競馬", 22, 32, 120,
     "G4e G4e E4e G4e A4e G4e E4q E4e D4q. E4e D4q. "
     "G4e G4e E4e G4e A4e G4e E4q D4q. E4e D4q C4q",
     "C C C G C C G C", 2, 0, 3),
    ("Oh! Susanna / おおスザンナ", 110, 32, 130,
     "C4e D4e E4q G4q G4q. A4e G4q E4q C4q. D4e E4q E4q D4q C4q D4h. C4e D4e "
     "E4q G4q G4q. A4e G4q E4q C4q. D4e E4q E4q D4q D4q C4h.",
     "C C C G C C G G C C C G G G C C", 2, 1, 2),
    ("Minuet in G (Petzold) — the dance", 46, 32, 120,
     "D5q G4e A4e B4e C5e D5q G4q G4q E5q C5e D5e E5e F#5e G5q G4q G4q "
     "C5q D5e C5e B4e A4e B4q C5e B4e A4e G4e F#4q G4e A4e B4e G4e A4h. "
     "D5q G4e A4e B4e C5e D5q G4q G4q E5q C5e D5e E5e F#5e G5q G4q G4q "
     "C5q D5e C5e B4e A4e B4q C5e B4e A4e G4e A4q B4e A4e G4e F#4e G4h.",
     "G G C G C G D D G G C G C G D G", 3, 0, 1),
    ("Brahms' Lullaby / ブラームスの子守歌", 79, 32, 104,
     "E4e E4e G4h E4e E4e G4h E4e G4e C5q B4q. A4e A4q G4q D4e E4e "
     "F4q D4q D4e E4e F4h D4e F4e B4e A4e G4q B4q C5h",
     "C C F C G G G C", 3, 1, 2),
    ("Auld Lang Syne / 蛍の光", 109, 32, 128,
     "G3q C4q. C4e C4q E4q D4q. C4e D4q E4e D4e C4q. C4e E4q G4q A4h. A4q "
     "G4q. E4e E4q C4q D4q. C4e D4q E4e D4e C4q. A3e A3q G3q C4h. A4q "
     "G4q. E4e E4q C4q D4q. C4e D4q A4q G4q. E4e E4q G4q A4h. C5q "
     "G4q. E4e E4q C4q D4q. C4e D4q E4e D4e C4q. A3e A3q G3q C4h.",
     "C C G G C C F F C C G G F G C C C C G G C C F F C C G G F G C C", 2, 1, 1),
]

# Each piece's melody channel volume: it brings the piece to the program's loudness target
# (-16 LUFS) as the program plays it (FluidR3_GM at the program's synth gain); the content check
# measures the result.
VOLUMES = [115, 117, 112, 98, 118, 102, 78, 94, 106, 123, 100,
           100, 101, 105, 80, 114, 110, 113, 91, 102, 84, 89]

NOTE_BASE = {"C": 0, "D": 2, "E": 4, "F": 5, "G": 7, "A": 9, "B": 11}
LENGTHS = {"w": 4.0, "h": 2.0, "q": 1.0, "e": 0.5, "s": 0.25}


def parse_melody(text):
    """[(midi note or None, beats)] from the token text."""
    notes = []
    for token in text.split():
        dotted = token.endswith(".")
        core = token.rstrip(".")
        beats = LENGTHS[core[-1]] * (1.5 if dotted else 1.0)
        pitch = core[:-1]
        if pitch == "r":
            notes.append((None, beats))
            continue
        name, octave = pitch[0], pitch[-1]
        sharp = 1 if "#" in pitch else 0
        notes.append((12 * (int(octave) + 1) + NOTE_BASE[name] + sharp, beats))
    return notes


def _varlen(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.insert(0, (value & 0x7F) | 0x80)
        value >>= 7
    return bytes(out)


def _track(events):
    """events: [(tick, bytes)] in any order; returns an MTrk chunk with an end mark."""
    data = bytearray()
    now = 0
    for tick, message in sorted(events, key=lambda e: (e[0], e[1][0] & 0xF0 != 0x80)):
        data += _varlen(tick - now) + message
        now = tick
    data += b"\x00\xff\x2f\x00"
    return b"MTrk" + struct.pack(">I", len(data)) + bytes(data)


def note_events(channel, start_beats, notes, velocity):
    events = []
    t = start_beats
    for note, beats in notes:
        if note is not None:
            on, off = round(t * TICKS), round((t + beats * 0.95) * TICKS)
            events.append((on, bytes((0x90 | channel, note, velocity))))
            events.append((off, bytes((0x80 | channel, note, 0))))
        t += beats
    return events


def piece(index, volume=None):
    """The bytes of one piece's MIDI file, and its length in seconds. `volume` is the melody's
    channel volume (the bass plays a little softer); by default the piece's entry in VOLUMES."""
    volume = VOLUMES[index] if volume is None else volume
    title, program, bass_program, tempo, melody, bass, unit, pickup, times = PIECES[index]
    notes = parse_melody(melody)
    length = sum(b for _, b in notes)
    roots = bass.split()
    lead, low = [], []
    for r in range(times):
        lead += note_events(0, r * length, notes, 120)
        bass_notes = []
        for i, root in enumerate(roots):
            start = r * length + pickup + i * unit
            end = min(start + unit, (r + 1) * length)
            if root == "-" or end <= start:
                continue
            bass_notes.append((start, 36 + NOTE_BASE[root[0]] + (1 if "#" in root else 0), end - start))
        for start, note, beats in bass_notes:
            low += note_events(1, start, [(note, beats)], 100)
    total_beats = length * times
    tempo_us = round(60_000_000 / tempo)
    meta = [(0, b"\xff\x03" + _varlen(len(title.encode())) + title.encode()),
            (0, b"\xff\x51\x03" + tempo_us.to_bytes(3, "big")),
            (0, b"\xff\x58\x04\x04\x02\x18\x08")]
    setup = [(0, bytes((0xC0, program))), (0, bytes((0xC1, bass_program))),
             (0, bytes((0xB0, 7, volume))), (0, bytes((0xB1, 7, round(volume * 0.82))))]
    end = round(total_beats * TICKS) + TICKS
    if index % 2:  # odd pieces as a single-track (format 0) file, even ones as format 1
        body = _track(meta + setup + lead + low + [(end, b"\xff\x01\x00")])
        header = struct.pack(">4sIHHH", b"MThd", 6, 0, 1, TICKS)
    else:
        body = (_track(meta) + _track(setup[::2] + lead + [(end, b"\xff\x01\x00")])
                + _track(setup[1::2] + low))
        header = struct.pack(">4sIHHH", b"MThd", 6, 1, 3, TICKS)
    return header + body, total_beats * 60.0 / tempo


def write_all(out_dir, paths):
    for index, rel in enumerate(paths):
        data, seconds = piece(index)
        if not 10.0 <= seconds <= 30.5:
            raise RuntimeError(f"{PIECES[index][0]} lasts {seconds:.1f} s")
        with open(f"{out_dir}/{rel}", "wb") as f:
            f.write(data)
