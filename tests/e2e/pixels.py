#!/usr/bin/env python3
"""Reads pixels of a screenshot in binary PPM form (what `import ... shot.ppm` writes).

  pixels.py SHOT pixel X Y           the colour at a point as RRGGBB
  pixels.py SHOT count X Y W H RRGGBB how many pixels of the rectangle have exactly that colour
  pixels.py SHOT sum X Y W H         a checksum of the rectangle, to tell whether it changed
  pixels.py SHOT reds X Y W H        how many pixels of the rectangle are a strong red
  pixels.py SHOT size                the picture's width and height
  pixels.py SHOT bbox X Y W H RRGGBB  the smallest rectangle (x y w h) holding every pixel of
                                     the rectangle that is not that colour, or nothing
"""

import hashlib
import sys


def read_ppm(path):
    with open(path, "rb") as stream:
        data = stream.read()
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos : pos + 1].isspace():
            pos += 1
        if data[pos : pos + 1] == b"#":
            pos = data.index(b"\n", pos)
            continue
        end = pos
        while not data[end : end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    if fields[0] != b"P6":
        sys.exit("not a binary PPM: " + path)
    width, height, maxval = int(fields[1]), int(fields[2]), int(fields[3])
    pixels = data[pos + 1 :]
    if maxval > 255:  # 16 bits a channel: keep the high bytes
        pixels = pixels[0::2]
    return width, height, pixels


def main(argv):
    width, height, pixels = read_ppm(argv[1])
    command, args = argv[2], argv[3:]

    def at(x, y):
        i = 3 * (y * width + x)
        return pixels[i : i + 3]

    def rows(x, y, w, h):
        x0, y0 = max(x, 0), max(y, 0)
        x1, y1 = min(x + w, width), min(y + h, height)
        for row in range(y0, y1):
            yield row, pixels[3 * (row * width + x0) : 3 * (row * width + x1)], x0

    if command == "size":
        print(width, height)
    elif command == "pixel":
        print(at(int(args[0]), int(args[1])).hex().upper())
    elif command == "count":
        x, y, w, h = map(int, args[:4])
        colour = bytes.fromhex(args[4])
        total = 0
        for _, line, _ in rows(x, y, w, h):
            total += sum(1 for i in range(0, len(line), 3) if line[i : i + 3] == colour)
        print(total)
    elif command == "reds":
        x, y, w, h = map(int, args[:4])
        total = 0
        for _, line, _ in rows(x, y, w, h):
            total += sum(1 for i in range(0, len(line), 3)
                         if line[i] > 180 and line[i + 1] < 90 and line[i + 2] < 90)
        print(total)
    elif command == "sum":
        x, y, w, h = map(int, args[:4])
        digest = hashlib.md5()
        for _, line, _ in rows(x, y, w, h):
            digest.update(line)
        print(digest.hexdigest())
    elif command == "bbox":
        x, y, w, h = map(int, args[:4])
        colour = bytes.fromhex(args[4])
        xs, ys = [], []
        for row, line, x0 in rows(x, y, w, h):
            for i in range(0, len(line), 3):
                if line[i : i + 3] != colour:
                    xs.append(x0 + i // 3)
                    ys.append(row)
        if xs:
            print(min(xs), min(ys), max(xs) - min(xs) + 1, max(ys) - min(ys) + 1)
    else:
        sys.exit("unknown command " + command)


if __name__ == "__main__":
    main(sys.argv)
