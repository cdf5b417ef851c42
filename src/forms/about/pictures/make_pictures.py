#!/usr/bin/env python3
"""Draws the notice card's two pictures from the shapes below and writes them beside this file.

logo.jpg   the 100 x 93 logo (a red and white capsule over a green leaf), a progressive JPEG
           made by cjpeg -progressive (or ImageMagick when cjpeg is missing);
close.ico  the close button (a round red button with a white cross): nine images, 48, 32 and
           16 pixels square, each at 16 colours, 256 colours and 32-bit colour.

Only the standard library is used. Run it again after changing a shape; the build embeds
the files as they are committed.
"""

import math
import os
import shutil
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
SAMPLES = 4  # supersampling per axis, for smooth edges


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def over(top, bottom):
    """Composites one premultiplied-free RGBA colour (channels 0..1) over another."""
    ta = top[3]
    ba = bottom[3] * (1 - ta)
    a = ta + ba
    if a <= 0:
        return (0.0, 0.0, 0.0, 0.0)
    return tuple((top[i] * ta + bottom[i] * ba) / a for i in range(3)) + (a,)


def render(width, height, shade):
    """Averages `shade(x, y)` (RGBA in 0..1 at a point in pixel units) over each pixel."""
    pixels = []
    step = 1.0 / SAMPLES
    for y in range(height):
        row = []
        for x in range(width):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    r, g, b, a = shade(x + (sx + 0.5) * step, y + (sy + 0.5) * step)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            n = SAMPLES * SAMPLES
            alpha = acc[3] / n
            if alpha > 0:
                colour = tuple(acc[i] / acc[3] for i in range(3))
            else:
                colour = (0.0, 0.0, 0.0)
            row.append(colour + (alpha,))
        pixels.append(row)
    return pixels


# --- the logo ---------------------------------------------------------------------------

LOGO_W, LOGO_H = 100, 93


def logo_shade(x, y):
    white = (1.0, 1.0, 1.0, 1.0)
    colour = white
    # A leaf: the lens between two circles, lying from lower left to upper right.
    cx, cy = 50.0, 48.0
    angle = math.radians(-40)
    u = (x - cx) * math.cos(angle) - (y - cy) * math.sin(angle)
    v = (x - cx) * math.sin(angle) + (y - cy) * math.cos(angle)
    half, bulge = 44.0, 20.0
    radius = (half * half + bulge * bulge) / (2 * bulge)
    if abs(u) <= half and math.hypot(u, abs(v) + radius - bulge) <= radius:
        depth = 0.5 + 0.5 * (v / bulge)
        leaf = mix((0.45, 0.78, 0.30, 1.0), (0.16, 0.55, 0.22, 1.0), depth)
        if abs(v) < 0.9 and abs(u) < half - 4:
            leaf = (0.86, 0.95, 0.80, 1.0)  # the midrib
        colour = over(leaf, colour)
    # A capsule across the leaf, tilted the other way: red cap, white body.
    angle = math.radians(35)
    px, py = 52.0, 50.0
    u = (x - px) * math.cos(angle) - (y - py) * math.sin(angle)
    v = (x - px) * math.sin(angle) + (y - py) * math.cos(angle)
    length, r = 26.0, 11.0
    d = math.hypot(max(abs(u) - length, 0.0), v)
    if d <= r + 1.2:
        rim = (0.35, 0.10, 0.10, 1.0)
        if d > r:
            colour = over(rim, colour)
        else:
            light = 1.0 - 0.35 * ((v + r) / (2 * r))
            if u < 0:
                body = (0.86 * light + 0.1, 0.12 * light, 0.12 * light, 1.0)
            else:
                body = (0.97 * light + 0.03, 0.97 * light + 0.03, 0.95 * light + 0.03, 1.0)
            if abs(u) < 0.8:
                body = rim  # the seam between the halves
            if -r * 0.65 < v < -r * 0.35 and abs(u) < length - 2:
                body = mix(body, (1.0, 1.0, 1.0, 1.0), 0.55)  # a highlight along the top
            colour = over(body, colour)
    return colour


def write_ppm(path, pixels):
    with open(path, "wb") as out:
        out.write(b"P6\n%d %d\n255\n" % (len(pixels[0]), len(pixels)))
        for row in pixels:
            for r, g, b, a in row:
                # The logo is opaque; blend any soft edge over white.
                out.write(bytes(round(255 * (c * a + (1 - a))) for c in (r, g, b)))


def make_logo():
    pixels = render(LOGO_W, LOGO_H, logo_shade)
    target = os.path.join(HERE, "logo.jpg")
    with tempfile.TemporaryDirectory() as work:
        ppm = os.path.join(work, "logo.ppm")
        write_ppm(ppm, pixels)
        if shutil.which("cjpeg"):
            with open(target, "wb") as out:
                subprocess.run(["cjpeg", "-progressive", "-optimize", "-quality", "92", ppm],
                               stdout=out, check=True)
        elif shutil.which("convert"):
            subprocess.run(["convert", ppm, "-interlace", "Plane", "-quality", "92", target],
                           check=True)
        else:
            sys.exit("needs cjpeg (libjpeg-turbo-progs) or ImageMagick's convert")


# --- the close button -------------------------------------------------------------------

def close_shade(size):
    c = size / 2.0
    radius = size / 2.0 - 0.75
    rim = max(1.0, size / 20.0)
    arm = size * 0.22
    stroke = size * 0.075

    def shade(x, y):
        d = math.hypot(x - c, y - c)
        if d > radius:
            return (0.0, 0.0, 0.0, 0.0)
        if d > radius - rim:
            return (0.55, 0.04, 0.04, 1.0)
        # Lighter towards the top left, as if lit from there.
        t = min(1.0, math.hypot(x - c * 0.7, y - c * 0.6) / (radius * 1.3))
        face = mix((1.0, 0.38, 0.33, 1.0), (0.80, 0.05, 0.05, 1.0), t)
        # The cross: two strokes with round ends.
        u, v = x - c, y - c
        for a, b in ((u, v), (u, -v)):
            along = (a + b) / math.sqrt(2)
            across = (a - b) / math.sqrt(2)
            if math.hypot(max(abs(along) - arm, 0.0), across) <= stroke:
                return (1.0, 1.0, 1.0, 1.0)
        return face

    return shade


# The 16 standard colours, in the usual order of a 4-bit bitmap's palette.
VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
    (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


def palette_256():
    """A 6x6x6 colour cube, a ramp of reds for the button's shading, and greys."""
    colours = [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)]
    for i in range(24):
        t = i / 23.0
        colours.append(tuple(round(255 * c) for c in mix((0.55, 0.04, 0.04), (1.0, 0.40, 0.35), t)))
    while len(colours) < 256:
        g = round(255 * (len(colours) - 240) / 15.0)
        colours.append((g, g, g))
    return colours[:256]


def nearest(palette, colour):
    best, best_d = 0, None
    for i, p in enumerate(palette):
        d = sum((a - b) ** 2 for a, b in zip(p, colour))
        if best_d is None or d < best_d:
            best, best_d = i, d
    return best


def row_bytes(bits):
    return ((bits + 31) // 32) * 4


def bitmap(pixels, bpp):
    """One icon image: BITMAPINFOHEADER, palette, colour bits and the AND mask, bottom up."""
    size = len(pixels)
    palette = VGA16 if bpp == 4 else palette_256() if bpp == 8 else []
    colour_rows = []
    mask_rows = []
    for row in reversed(pixels):
        data = bytearray()
        mask = bytearray(row_bytes(size))
        nibbles = []
        for x, (r, g, b, a) in enumerate(row):
            rgb = tuple(round(255 * c) for c in (r, g, b))
            # The palette images keep a pixel when it is at least half covered.
            clear = a == 0 if bpp == 32 else a < 0.5
            if clear:
                mask[x // 8] |= 0x80 >> (x % 8)
            if bpp == 32:
                if clear:
                    data += bytes(4)
                else:
                    data += bytes((rgb[2], rgb[1], rgb[0], round(255 * a)))
            else:
                nibbles.append(0 if clear else nearest(palette, rgb))
        if bpp == 4:
            for i in range(0, len(nibbles), 2):
                data.append((nibbles[i] << 4) | nibbles[i + 1])
        elif bpp == 8:
            data += bytes(nibbles)
        data += bytes(row_bytes(size * bpp) - len(data))
        colour_rows.append(bytes(data))
        mask_rows.append(bytes(mask))
    body = b"".join(colour_rows) + b"".join(mask_rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bpp, 0, len(body), 0, 0,
                         len(palette), 0)
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    return header + table + body


def make_icon():
    images = []
    for size in (48, 32, 16):
        pixels = render(size, size, close_shade(size))
        for bpp in (4, 8, 32):
            images.append((size, bpp, bitmap(pixels, bpp)))
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries = b""
    for size, bpp, data in images:
        colours = 16 if bpp == 4 else 0
        entries += struct.pack("<BBBBHHII", size, size, colours, 0, 1, bpp, len(data), offset)
        offset += len(data)
    with open(os.path.join(HERE, "close.ico"), "wb") as out:
        out.write(directory + entries + b"".join(data for _, _, data in images))


if __name__ == "__main__":
    make_logo()
    make_icon()
