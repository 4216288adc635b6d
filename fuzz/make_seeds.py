#!/usr/bin/env python3
"""Writes the starting corpus of every fuzz target into OUT/<target>/: small, valid files of
each kind built field by field, plus the text fixtures the unit tests read."""
import pathlib
import struct
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent


def u16(*values):
    return b"".join(struct.pack("<H", v & 0xFFFF) for v in values)


def u32(*values):
    return b"".join(struct.pack("<I", v & 0xFFFFFFFF) for v in values)


# Data files: header, date, three tables with their captions, the end mark.
def data_file(entries, header="## ピコロVersion 4データファイル", end="PIKORO_DATA_FILE",
              newline="\r\n", encoding="utf-8"):
    it = iter(entries + [""] * 200)
    lines = [header, "2024/04/01", "ピクチャーデータ"]
    lines += [next(it) for _ in range(43)] + ["サウンドデータ"]
    lines += [next(it) for _ in range(42)] + ["MIDIデータ"]
    lines += [next(it) for _ in range(22)] + [end]
    return (newline.join(lines) + newline).encode(encoding)


def data_seeds():
    yield "empty", data_file([])
    yield "paths", data_file([r"C:\絵\ねこ.bmp", '"a, b.bmp"', "  x.wav  ", r".\mid\曲.mid"])
    yield "sjis_lf", data_file([r"C:\絵\いぬ.bmp"], newline="\n", encoding="cp932")
    yield "old_header", data_file(["a.bmp"], header="## ピコロVersion 3データファイル")
    yield "no_end", data_file([], end="")
    yield "fixture", (ROOT / "tests/core/fixtures/sjis.pik").read_bytes()


def profile_seeds():
    yield "settings", ("; ピコロの設定\r\n[BMPFile]\r\nBMPOp 0=C:\\絵\\a.bmp\r\n"
                       "BMPOp 3 = \"b.bmp\" \r\n[Sound]\r\nSoundFlag=-1\r\n\r\n"
                       "[MIDIFile]\r\nMIDIOp 1=x.mid").encode()
    yield "bom_lf", "\ufeff[AIUEOFlag]\nAIUEOFlag=0\n[aiueoflag]\nAIUEOFlag=1\n".encode()
    yield "sjis_cr", "[SoundFile]\rSoundOp 2=音.wav\r# note\r".encode("cp932")
    yield "fixture", (ROOT / "tests/core/fixtures/sjis.ini").read_bytes()


# Bitmaps: a file header before a DIB (info or core header, colour table, rows).
def dib(width, height, bits, rows, palette=b"", compression=0, core=False):
    if core:
        head = u32(12) + u16(width, height, 1, bits)
    else:
        head = u32(40, width, height) + u16(1, bits) + u32(compression, len(rows), 0, 0,
                                                            len(palette) // 4, 0)
    return head + palette + rows


def bmp(body, palette_len):
    offset = 14 + (12 if body[:4] == u32(12) else 40) + palette_len
    return b"BM" + u32(14 + len(body), 0, offset) + body


def bmp_seeds():
    grey = b"".join(bytes((v, v, v, 0)) for v in (0, 85, 170, 255))
    yield "rgb24", bmp(dib(2, 2, 24, b"\x00\x00\xff\x00\xff\x00\x00\x00\xff\x00\x00\x00\x00\x00\x00\x00"), 0)
    yield "pal4", bmp(dib(3, -2, 4, b"\x01\x23\x00\x00\x32\x10\x00\x00", grey), 16)
    yield "pal8_rle", bmp(dib(4, 2, 8, b"\x04\x01\x00\x00\x02\x02\x00\x02\x00\x01", grey, 1), 16)
    yield "mono_core", bmp(dib(8, 1, 1, b"\xa5\x00\x00\x00", core=True) [:12] +
                           b"\x00\x00\x00\xff\xff\xff" + b"\xa5\x00\x00\x00", 6)
    yield "rgb32_fields", bmp(dib(1, 1, 32, u32(0x00FF00FF), u32(0xFF0000, 0xFF00, 0xFF), 3), 12)


def ico_seeds():
    def icon(side, bits, pixels, palette=b""):
        mask = b"\x00" * (((side + 31) // 32) * 4 * side)
        body = u32(40, side, side * 2) + u16(1, bits) + u32(0, 0, 0, 0, len(palette) // 4, 0)
        return body + palette + pixels + mask
    one = icon(2, 32, u32(0xFFFF0000, 0x8000FF00, 0x000000FF, 0xFFFFFFFF))
    two = icon(4, 4, b"\x01\x23\x00\x00" * 4, u32(0, 0xFF, 0xFF00, 0xFF0000) + b"\x00" * 48)
    def directory(bodies, kind=1):
        head, offset = u16(0, kind, len(bodies)), 6 + 16 * len(bodies)
        for side, bits, body in bodies:
            head += bytes((side, side, 0, 0)) + u16(1, bits) + u32(len(body), offset)
            offset += len(body)
        return head + b"".join(body for _, _, body in bodies)
    yield "one32", directory([(2, 32, one)])
    yield "two", directory([(2, 32, one), (4, 4, two)])
    yield "cursor", directory([(4, 4, two)], kind=2)


def wmf_seeds():
    def rec(function, *words, raw=b""):
        params = u16(*words) + raw
        return u32(3 + len(params) // 2) + u16(function) + params
    def plain(records):
        body = b"".join(records) + u32(3) + u16(0)
        return u16(1, 9, 0x0300) + u32((18 + len(body)) // 2) + u16(8) + u32(0) + u16(0) + body
    def placeable(records, box=(0, 0, 100, 100), inch=96):
        head = u32(0x9AC6CDD7) + u16(0, *box, inch) + u32(0)
        checksum = 0
        for (word,) in struct.iter_unpack("<H", head):
            checksum ^= word
        return head + u16(checksum) + plain(records)
    shapes = [rec(0x020C, 100, 100), rec(0x02FC, 0, 0x00FF, 0, 0), rec(0x012D, 0),
              rec(0x02FA, 0, 2, 0, 0xFF00, 0), rec(0x012D, 1), rec(0x041B, 60, 60, 10, 10),
              rec(0x0418, 90, 90, 40, 40), rec(0x0214, 0, 0), rec(0x0213, 100, 100),
              rec(0x0324, 3, 0, 0, 50, 0, 0, 50), rec(0x081A, 90, 90, 10, 10, 0, 50, 50, 0)]
    text = [rec(0x02FB, 0xFFF0, 0, 0, 0, 400, raw=b"\x00" * 8 + b"Sans\x00\x00\x00\x00"),
            rec(0x012D, 0), rec(0x0209, 0xFF, 0), rec(0x0A32, 20, 5, 2, 0, raw=b"Hi"),
            rec(0x0521, 2, raw=b"ok") + b"", rec(0x0A32, 40, 5, 1, 6, 0, 30, 80, 50, raw=b"A\x00")]
    bitmap = [rec(0x0B41, 0x0020, 0x00CC, 0, 0, 1, 1, 0, 0, 50, 50,
                  raw=u32(40, 1, 1) + u16(1, 24) + u32(0, 4, 0, 0, 0, 0) + b"\x00\xff\x00\x00")]
    yield "shapes_placeable", placeable(shapes)
    yield "text_plain", plain([rec(0x020C, 100, 100)] + text)
    yield "bitmap", placeable(bitmap, box=(0, 0, 1440, 720), inch=1440)
    yield "viewport", plain([rec(0x0103, 8), rec(0x020E, 50, 80), rec(0x0410, 1, 2, 1, 2)] + shapes)


# WAVE files: a RIFF (RIFX big-endian, RF64 large) header, a format chunk, the samples.
def wave_seeds():
    def chunk(tag, body, big=False):
        return tag + struct.pack(">I" if big else "<I", len(body)) + body + b"\0" * (len(body) & 1)
    def fmt(tag, channels, rate, bits, extra=b"", big=False):
        order = ">" if big else "<"
        align = channels * bits // 8
        return struct.pack(order + "HHIIHH", tag, channels, rate, rate * align, align, bits) + extra
    def riff(chunks, magic=b"RIFF", big=False):
        body = b"WAVE" + b"".join(chunks)
        return magic + struct.pack(">I" if big else "<I", len(body)) + body
    ramp16 = b"".join(struct.pack("<h", v) for v in range(-3000, 3000, 300))
    yield "pcm16_mono", riff([chunk(b"fmt ", fmt(1, 1, 22050, 16)), chunk(b"data", ramp16)])
    yield "u8_stereo", riff([chunk(b"fmt ", fmt(1, 2, 11025, 8)), chunk(b"data", bytes(range(0, 256, 8)))])
    yield "float", riff([chunk(b"fmt ", fmt(3, 1, 48000, 32)), chunk(b"fact", u32(4)),
                         chunk(b"data", struct.pack("<4f", 0.0, 0.5, -0.5, 1.0))])
    yield "mulaw", riff([chunk(b"fmt ", fmt(7, 1, 8000, 8, u16(0))), chunk(b"fact", u32(16)),
                         chunk(b"data", bytes(range(0, 256, 16)))])
    guid = u32(1) + bytes.fromhex("00001000800000aa00389b71")
    yield "extensible", riff([chunk(b"fmt ", fmt(0xFFFE, 2, 44100, 16, u16(22, 16) + u32(3) + guid)),
                              chunk(b"data", ramp16)])
    big16 = b"".join(struct.pack(">h", v) for v in range(-3000, 3000, 300))
    yield "rifx", riff([chunk(b"fmt ", fmt(1, 1, 16000, 16, big=True), big=True),
                        chunk(b"data", big16, big=True)], magic=b"RIFX", big=True)
    ds64 = struct.pack("<QQQI", 36 + 8 + 16 + 8 + 28 + 8 + len(ramp16), len(ramp16), len(ramp16) // 2, 0)
    yield "rf64", (b"RF64" + u32(0xFFFFFFFF) + b"WAVE" + chunk(b"ds64", ds64) +
                   chunk(b"fmt ", fmt(1, 1, 22050, 16)) + b"data" + u32(0xFFFFFFFF) + ramp16)


# MIDI pieces: Standard MIDI Files (formats 0 and 1) and one inside RIFF RMID.
def midi_seeds():
    def track(events):
        return b"MTrk" + struct.pack(">I", len(events)) + events
    def smf(kind, tracks, division=96):
        return b"MThd" + struct.pack(">IHHH", 6, kind, len(tracks), division) + b"".join(tracks)
    notes = bytes.fromhex("00c00000903c6460803c400090406460804040" "00ff2f00")
    yield "format0", smf(0, [track(notes)])
    tempo = bytes.fromhex("00ff510307a12000ff580404021808") + bytes.fromhex("00ff2f00")
    running = bytes.fromhex("00c91000994c7f10487f10" "4c0010480000f0057e7f0901f7" "00ff2f00")
    yield "format1", smf(1, [track(tempo), track(notes), track(running)])
    yield "rmid", b"RIFF" + u32(4 + 8 + 60) + b"RMID" + b"data" + u32(60) + \
        (smf(0, [track(notes)]) + b"\0" * 60)[:60]


SEEDS = {"datafile": data_seeds, "profile": profile_seeds, "bmp": bmp_seeds,
         "ico": ico_seeds, "wmf": wmf_seeds, "wave": wave_seeds, "midi": midi_seeds}

if __name__ == "__main__":
    out = pathlib.Path(sys.argv[1])
    for target, make in SEEDS.items():
        folder = out / target
        folder.mkdir(parents=True, exist_ok=True)
        for name, data in make():
            (folder / f"seed_{name}").write_bytes(data)
