#!/usr/bin/env python3
"""Draws the program's desktop icon at the sizes desktop menus use and writes them to icons/.

The icon is the notice card's logo (the leaf and capsule of
src/forms/about/pictures/make_pictures.py, drawn from the same shapes) on a rounded plate in
the card's light yellow, so menu, task bar and notice card show the same picture. Only the
standard library is used; run it again after changing a shape and commit the PNG files.
"""

import importlib.util
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
PICTURES = os.path.join(HERE, "..", "src", "forms", "about", "pictures", "make_pictures.py")
SIZES = (16, 32, 48, 64, 128, 256)
PLATE = (254 / 255, 244 / 255, 133 / 255, 1.0)  # the notice card's colour 85F4FE
RIM = (0.62, 0.52, 0.18, 1.0)


def load_logo():
    found = importlib.util.spec_from_file_location("make_pictures", PICTURES)
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    return module


def plate_alpha(x, y, size):
    """Coverage of a rounded square filling the icon, with a one-sample soft edge."""
    radius = size * 0.22
    inset = size * 0.02
    lo, hi = inset + radius, size - inset - radius
    dx = max(lo - x, 0.0, x - hi)
    dy = max(lo - y, 0.0, y - hi)
    return (dx * dx + dy * dy) ** 0.5 <= radius


def shade(logo, size, x, y):
    if not plate_alpha(x, y, size):
        return (0.0, 0.0, 0.0, 0.0)
    # The logo's 100 x 93 picture, centred, filling most of the plate.
    scale = 104.0 / size
    lx = (x - size / 2) * scale + 50.0
    ly = (y - size / 2) * scale + 48.0
    colour = logo.logo_shade(lx, ly)
    if colour == (1.0, 1.0, 1.0, 1.0):
        # Nothing of the logo here: the plate, with a thin darker rim at its edge.
        edge = size * 0.045 if size >= 32 else 0.0
        if edge and not plate_alpha(x + edge if x < size / 2 else x - edge, y, size):
            return RIM
        if edge and not plate_alpha(x, y + edge if y < size / 2 else y - edge, size):
            return RIM
        return PLATE
    return colour


def render(logo, size):
    samples = 4 if size <= 64 else 2
    rows = []
    for py in range(size):
        row = bytearray()
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(samples):
                for sx in range(samples):
                    r, g, b, a = shade(logo, size, px + (sx + 0.5) / samples,
                                       py + (sy + 0.5) / samples)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            n = samples * samples
            alpha = acc[3] / n
            if alpha > 0:
                rgb = [round(255 * c / acc[3]) for c in acc[:3]]
            else:
                rgb = [0, 0, 0]
            row += bytes(rgb + [round(255 * alpha)])
        rows.append(bytes(row))
    return rows


def write_png(path, rows):
    height, width = len(rows), len(rows[0]) // 4

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    raw = b"".join(b"\0" + row for row in rows)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)))
        out.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        out.write(chunk(b"IEND", b""))


if __name__ == "__main__":
    logo = load_logo()
    os.makedirs(os.path.join(HERE, "icons"), exist_ok=True)
    for size in SIZES:
        write_png(os.path.join(HERE, "icons", "tervana-%d.png" % size), render(logo, size))
