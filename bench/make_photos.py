#!/usr/bin/python3
"""Writes photo-like JPEGs for the photo-set benchmark: 4000 x 3000, quality 92, 4.5-5 MB each.

There are no real photos on the development machine, so each picture is built to cost what a
phone photo costs to decode: smooth gradients (sky, light) under shapes, with sensor-like noise
and fine texture everywhere, so the entropy-coded data is as dense as a real photo's.

    /usr/bin/python3 bench/make_photos.py FOLDER [COUNT]

With --from SOURCE, real photographs are used instead: every JPEG under SOURCE (e.g. Debian's
mate-backgrounds in /usr/share/backgrounds) cut to 4:3, brought to 4000 x 3000 and saved at
quality 92 as a phone would, round after round until COUNT are written. Enlarged ones hold less
fine detail than a phone's own, so their files are smaller.

    /usr/bin/python3 bench/make_photos.py --from /usr/share/backgrounds FOLDER [COUNT]
"""
import sys
from pathlib import Path

import numpy as np
from PIL import Image, ImageDraw, ImageFilter

WIDTH, HEIGHT = 4000, 3000


def photo(index: int) -> Image.Image:
    rng = np.random.default_rng(index)
    y, x = np.mgrid[0:HEIGHT, 0:WIDTH].astype(np.float32)
    top = rng.uniform(40, 220, 3)
    bottom = rng.uniform(40, 220, 3)
    t = (y / HEIGHT)[..., None]
    base = top * (1 - t) + bottom * t
    base += 30 * np.sin(x / rng.uniform(150, 600))[..., None] * rng.uniform(-1, 1, 3)
    img = Image.fromarray(np.clip(base, 0, 255).astype(np.uint8), "RGB")
    draw = ImageDraw.Draw(img)
    for _ in range(60):
        cx, cy = rng.uniform(0, WIDTH), rng.uniform(0, HEIGHT)
        r = rng.uniform(40, 600)
        colour = tuple(int(c) for c in rng.uniform(0, 255, 3))
        if rng.uniform() < 0.5:
            draw.ellipse((cx - r, cy - r * 0.7, cx + r, cy + r * 0.7), fill=colour)
        else:
            draw.rectangle((cx - r, cy - r / 2, cx + r, cy + r / 2), fill=colour)
    img = img.filter(ImageFilter.GaussianBlur(2))
    # Fine texture (foliage, fabric) and sensor noise: what makes a real photo's file large.
    arr = np.asarray(img).astype(np.float32)
    texture = rng.normal(0, 1, (HEIGHT // 2, WIDTH // 2, 1)).repeat(2, 0).repeat(2, 1)
    arr += texture * rng.uniform(7, 11) + rng.normal(0, 6.5, arr.shape)
    return Image.fromarray(np.clip(arr, 0, 255).astype(np.uint8), "RGB")


def real_photo(sources: list, index: int) -> Image.Image:
    img = Image.open(sources[index % len(sources)]).convert("RGB")
    # Each round cuts another part of the picture, so no two files are alike.
    w, h = img.size
    cw, ch = min(w, h * 4 // 3), min(h, w * 3 // 4)
    shift = (index // len(sources)) * 97
    left, top = shift % (w - cw + 1), shift % (h - ch + 1)
    return img.crop((left, top, left + cw, top + ch)).resize((WIDTH, HEIGHT), Image.LANCZOS)


def main() -> None:
    args = sys.argv[1:]
    sources = []
    if args[:1] == ["--from"]:
        sources = sorted(p for p in Path(args[1]).rglob("*") if p.suffix.lower() in (".jpg", ".jpeg"))
        args = args[2:]
    folder = Path(args[0])
    count = int(args[1]) if len(args) > 1 else 43
    folder.mkdir(parents=True, exist_ok=True)
    for i in range(count):
        path = folder / f"photo{i:02d}.jpg"
        if not path.exists():
            (real_photo(sources, i) if sources else photo(i)).save(path, "JPEG", quality=92)
        print(path, path.stat().st_size)


if __name__ == "__main__":
    main()
