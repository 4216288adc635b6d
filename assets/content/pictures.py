"""Draws the key pictures: Noto Color Emoji glyphs with the key's letter or kana, written as
24-bit, 8-bit and run-length bitmaps, PNG, icons and placeable metafiles."""

import io
import itertools
import math
import struct
import zlib

from PIL import Image, ImageDraw, ImageFont

import catalog

EMOJI_FONT = "/usr/share/fonts/truetype/noto/NotoColorEmoji.ttf"
EMOJI_SIZE = 109  # the only size the colour bitmaps come in
TEXT_FONT = "/usr/share/fonts/opentype/noto/NotoSansCJK-Bold.ttc"
WIDTH, HEIGHT = 640, 360

_fonts = {}


def text_font(size):
    if size not in _fonts:
        # The collection holds one face per region; take the Japanese one.
        for index in range(10):
            font = ImageFont.truetype(TEXT_FONT, size, index=index)
            if font.getname()[0].endswith("JP"):
                _fonts[size] = font
                break
        else:
            raise RuntimeError(f"{TEXT_FONT} has no Japanese face")
    return _fonts[size]


def _render_glyph(char):
    font = ImageFont.truetype(EMOJI_FONT, EMOJI_SIZE)
    image = Image.new("RGBA", (160, 160), (0, 0, 0, 0))
    ImageDraw.Draw(image).text((8, 8), char, font=font, embedded_color=True)
    return image


_missing = None


def emoji(char, size):
    """The colour glyph of char, cropped and scaled to fit a size x size square."""
    global _missing
    if _missing is None:
        _missing = _render_glyph("\U000F0000").tobytes()
    image = _render_glyph(char)
    box = image.getbbox()
    if box is None or image.tobytes() == _missing:
        raise RuntimeError(f"Noto Color Emoji has no glyph for {char!r} (U+{ord(char[0]):04X})")
    image = image.crop(box)
    scale = size / max(image.size)
    return image.resize((max(1, round(image.width * scale)), max(1, round(image.height * scale))),
                        Image.LANCZOS)


def pastel(seed):
    """A light background colour that differs from key to key."""
    hue = (zlib.crc32(seed.encode()) % 360) / 360.0
    r, g, b = (0.5 + 0.5 * math.cos(2 * math.pi * (hue + k / 3.0)) for k in range(3))
    return tuple(int(215 + 40 * c) for c in (r, g, b))


def strong(seed):
    r, g, b = pastel(seed)
    return (255 - r) * 3 % 200, (255 - g) * 3 % 200, (255 - b) * 3 % 200


def centred_text(draw, centre, text, size, fill):
    font = text_font(size)
    left, top, right, bottom = draw.textbbox((0, 0), text, font=font)
    # Shrink long words until they fit the picture.
    while right - left > WIDTH - 40 and size > 12:
        size = int(size * 0.9)
        font = text_font(size)
        left, top, right, bottom = draw.textbbox((0, 0), text, font=font)
    x = centre[0] - (left + right) / 2
    y = centre[1] - (top + bottom) / 2
    draw.text((x, y), text, font=font, fill=fill)


def letter_picture(set_index, index):
    """Emoji on the left, the key's letter (or kana in the H set) large on the right."""
    char, word_en, word_ja = catalog.PICTURE_SETS[set_index][3][index]
    letter = catalog.LETTERS[index]
    kana = catalog.KANA[index]
    image = Image.new("RGB", (WIDTH, HEIGHT), pastel(f"{set_index}{letter}"))
    draw = ImageDraw.Draw(image)
    glyph = emoji(char, 250)
    image.paste(glyph, (40 + (250 - glyph.width) // 2, 25 + (250 - glyph.height) // 2), glyph)
    ink = strong(f"{set_index}{letter}")
    if set_index == 4:
        centred_text(draw, (470, 150), kana, 220, ink)
        centred_text(draw, (WIDTH // 2, 320), word_ja, 44, (40, 40, 40))
    else:
        centred_text(draw, (470, 140), letter, 240, ink)
        draw.text((570, 20), kana, font=text_font(40), fill=(90, 90, 90))
        centred_text(draw, (WIDTH // 2, 320), f"{word_en}  {word_ja}", 40, (40, 40, 40))
    return image


def digit_picture(set_index, digit):
    """The digit large, and that many of the set's counting emoji."""
    counter = catalog.PICTURE_SETS[set_index][2]
    image = Image.new("RGB", (WIDTH, HEIGHT), pastel(f"{set_index}#{digit}"))
    draw = ImageDraw.Draw(image)
    centred_text(draw, (120, 150), str(digit), 230, strong(f"{set_index}#{digit}"))
    word = catalog.DIGIT_WORDS_JA[digit] if set_index == 4 else \
        f"{catalog.DIGIT_WORDS_EN[digit]}  {catalog.DIGIT_WORDS_JA[digit]}"
    centred_text(draw, (120, 320), word, 30, (40, 40, 40))
    if digit == 0:
        draw.ellipse((330, 60, 570, 300), outline=(120, 120, 120), width=8)
    glyph = emoji(counter, 88)
    for n in range(digit):
        row, col = divmod(n, 3)
        image.paste(glyph, (270 + col * 110 + (88 - glyph.width) // 2,
                            30 + row * 105 + (88 - glyph.height) // 2), glyph)
    return image


def opening_picture(set_index):
    name = catalog.PICTURE_SETS[set_index]
    image = Image.new("RGB", (WIDTH, HEIGHT), (255, 250, 225))
    draw = ImageDraw.Draw(image)
    for i in range(12):  # sun rays behind the title
        a = i * math.pi / 6
        draw.polygon([(320, 140), (320 + 420 * math.cos(a), 140 + 420 * math.sin(a)),
                      (320 + 420 * math.cos(a + 0.2), 140 + 420 * math.sin(a + 0.2))],
                     fill=(255, 236, 180))
    centred_text(draw, (320, 120), "ピコロ", 130, (230, 90, 60))
    for i, (char, _, _) in enumerate(name[3][::5][:6]):
        glyph = emoji(char, 90)
        image.paste(glyph, (20 + i * 103, 250), glyph)
    return image


def icon_picture(set_index, extra):
    char = catalog.EXTRA_EMOJI[set_index][extra]
    image = Image.new("RGBA", (128, 128), (0, 0, 0, 0))
    draw = ImageDraw.Draw(image)
    draw.rounded_rectangle((2, 2, 125, 125), 24, fill=pastel(f"{set_index}x{extra}") + (255,),
                           outline=(80, 80, 80, 255), width=3)
    glyph = emoji(char, 92)
    image.paste(glyph, ((128 - glyph.width) // 2, 8 + (92 - glyph.height) // 2), glyph)
    label = catalog.EXTRA_LABELS_JA[extra] if set_index == 4 else catalog.EXTRA_LABELS_EN[extra]
    font = text_font(18)
    width = draw.textlength(label, font=font)
    draw.text(((128 - width) / 2, 102), label, font=font, fill=(30, 30, 30, 255))
    return image


# ---- writers -------------------------------------------------------------------------------

def write_bmp(image, path, kind):
    if kind == "rgb24":
        image.convert("RGB").save(path, "BMP")
        return
    indexed = image.convert("RGB").quantize(256, dither=Image.Dither.NONE)
    if kind == "pal8":
        indexed.save(path, "BMP")
        return
    palette = indexed.getpalette()[:768]
    palette += [0] * (768 - len(palette))
    width, height = indexed.size
    pixels = indexed.tobytes()
    body = bytearray()
    for y in range(height - 1, -1, -1):  # bottom row first
        row = pixels[y * width:(y + 1) * width]
        for value, run in itertools.groupby(row):
            count = sum(1 for _ in run)
            while count:
                step = min(count, 255)
                body += bytes((step, value))
                count -= step
        body += b"\x00\x00"  # end of line
    body[-2:] = b"\x00\x01"  # end of bitmap
    table = b"".join(bytes((palette[3 * i + 2], palette[3 * i + 1], palette[3 * i], 0))
                     for i in range(256))
    offset = 14 + 40 + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(body), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 1, len(body), 2835, 2835, 256, 0)
    with open(path, "wb") as f:
        f.write(header + info + table + body)


def _icon_dib(image):
    """One icon image as a 32-bit DIB with its AND mask (the height counts both)."""
    size = image.width
    rgba = image.convert("RGBA")
    rows = []
    for y in range(size - 1, -1, -1):
        row = rgba.crop((0, y, size, y + 1)).tobytes("raw", "BGRA")
        rows.append(row)
    mask_row = ((size + 31) // 32) * 4
    mask = bytes(mask_row * size)  # all zero: the alpha channel decides
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    return info + b"".join(rows) + mask


def write_ico(image, path):
    """A classic icon file with a 48 and a 128 pixel image, both uncompressed DIBs."""
    images = [_icon_dib(image.resize((48, 48), Image.LANCZOS)), _icon_dib(image)]
    offset = 6 + 16 * len(images)
    directory = struct.pack("<HHH", 0, 1, len(images))
    for dib, size in zip(images, (48, 128)):
        directory += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(dib), offset)
        offset += len(dib)
    with open(path, "wb") as f:
        f.write(directory + b"".join(images))


def write_png(image, path):
    image.save(path, "PNG")


# ---- metafiles -----------------------------------------------------------------------------

def _record(function, *words, data=b""):
    payload = b"".join(struct.pack("<h" if w < 0 else "<H", w) for w in words) + data
    if len(payload) % 2:
        payload += b"\x00"
    return struct.pack("<IH", 3 + len(payload) // 2, function) + payload


def _colour(rgb):
    return rgb[0] | rgb[1] << 8 | rgb[2] << 16


def arrow_metafile(set_index, extra):
    """A placeable metafile of a big arrow with a face, for the four arrow keys."""
    w, h = 6400, 3600  # 960 units an inch: 640 x 360 pixels at 96 dots an inch
    direction = catalog.EXTRA_NAMES[extra]
    back = pastel(f"{set_index}{direction}")
    ink = strong(f"{set_index}{direction}")
    shaft, head = 600 + 60 * set_index, 1500  # each set its own arrow
    cx, cy = w // 2, h // 2 - 150
    # An arrow pointing right, turned for the other directions.
    shape = [(-1800, -shaft), (300, -shaft), (300, -head), (1800, 0),
             (300, head), (300, shaft), (-1800, shaft)]
    turn = {"right": (1, 0), "left": (-1, 0), "down": (0, 1), "up": (0, -1)}[direction]
    reach = 1.0 if turn[1] == 0 else 0.72  # the picture is wider than high
    points = [(cx + round(x * reach) * turn[0] - y * turn[1], cy + round(x * reach) * turn[1] + y * turn[0])
              for x, y in shape]
    records = [
        _record(0x020B, 0, 0),  # SetWindowOrg (y, x)
        _record(0x020C, h, w),  # SetWindowExt (y, x)
        _record(0x02FC, 0, *struct.unpack("<HH", struct.pack("<I", _colour(back))), 0),
        _record(0x012D, 0),
        _record(0x02FA, 5, 0, 0, 0, 0),  # a null pen for the background
        _record(0x012D, 1),
        _record(0x041B, h, w, 0, 0),  # Rectangle (bottom, right, top, left)
        _record(0x01F0, 0), _record(0x01F0, 1),
        _record(0x02FC, 0, *struct.unpack("<HH", struct.pack("<I", _colour(ink))), 0),
        _record(0x012D, 0),
        _record(0x02FA, 0, 60, 0, *struct.unpack("<HH", struct.pack("<I", _colour((40, 40, 40))))),
        _record(0x012D, 1),
        _record(0x0324, len(points), *[v for p in points for v in p]),  # Polygon
        _record(0x01F0, 0),
        _record(0x02FC, 0, *struct.unpack("<HH", struct.pack("<I", 0xFFFFFF)), 0),
        _record(0x012D, 0),
    ]
    for ex in (-350, 350):  # two white eyes with dark pupils near the arrow's middle
        ex_, ey_ = cx + ex * (turn[1] != 0) - 300 * turn[0], cy + ex * (turn[0] != 0) - 300 * turn[1]
        records.append(_record(0x0418, ey_ + 220, ex_ + 220, ey_ - 220, ex_ - 220))
    records += [_record(0x01F0, 0),
                _record(0x02FC, 0, 0x2828, 0x0028, 0), _record(0x012D, 0)]
    for ex in (-350, 350):
        ex_, ey_ = cx + ex * (turn[1] != 0) - 300 * turn[0], cy + ex * (turn[0] != 0) - 300 * turn[1]
        records.append(_record(0x0418, ey_ + 90, ex_ + 90, ey_ - 90, ex_ - 90))
    label = catalog.EXTRA_LABELS_JA[extra] + " " + catalog.EXTRA_LABELS_EN[extra]
    text = label.encode("cp932")
    face = "Noto Sans CJK JP".encode("ascii") + b"\x00"
    # LOGFONT: height, width, escapement, orientation, weight, italic/underline, strike/charset,
    # precisions, quality/pitch, then the face name.
    font = struct.pack("<hhhhhBBBBBBBB", -420, 0, 0, 0, 700, 0, 0, 0, 128, 0, 0, 0, 0) + face
    records += [
        _record(0x01F0, 0),
        _record(0x02FB, data=font), _record(0x012D, 0),
        _record(0x0209, *struct.unpack("<HH", struct.pack("<I", _colour((30, 30, 30))))),
        _record(0x0102, 1),  # transparent text background
        _record(0x012E, 6 | 24),  # centred on the baseline
        _record(0x0521, len(text), data=text + (b"\x00" if len(text) % 2 else b"")
                + struct.pack("<hh", h - 220, w // 2)),
        _record(0x0000),
    ]
    body = b"".join(records)
    largest = max(len(r) for r in records) // 2
    header = struct.pack("<HHHIHIH", 1, 9, 0x0300, (18 + len(body)) // 2, 2, largest, 0)
    placeable = struct.pack("<IHhhhhHI", 0x9AC6CDD7, 0, 0, 0, w, h, 960, 0)
    checksum = 0
    for (word,) in struct.iter_unpack("<H", placeable[:20]):
        checksum ^= word
    placeable = placeable[:20] + struct.pack("<H", checksum)
    return placeable + header + body


def make_set(set_index, out_dir):
    """Writes all 43 pictures of one set; returns their relative paths in slot order."""
    paths = []
    for slot in catalog.PICTURE_SLOTS:
        rel = catalog.picture_path(set_index, slot)
        path = f"{out_dir}/{rel}"
        ext = rel.rsplit(".", 1)[1]
        if ext == "wmf":
            with open(path, "wb") as f:
                f.write(arrow_metafile(set_index, catalog.EXTRA_NAMES.index(slot)))
        elif ext == "ico":
            write_ico(icon_picture(set_index, catalog.EXTRA_NAMES.index(slot)), path)
        else:
            if slot == "open":
                image = opening_picture(set_index)
            elif slot.isdigit():
                image = digit_picture(set_index, int(slot))
            else:
                image = letter_picture(set_index, ord(slot) - ord("a"))
            if ext == "png":
                write_png(image, path)
            else:
                write_bmp(image, path, catalog.bmp_kind(set_index, slot))
        paths.append(rel)
    return paths
