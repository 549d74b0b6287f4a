#!/usr/bin/env python3
"""Turns the tool's XPM images into the Windows resource files windres takes.

  xpm2win.py bmp IMAGE.xpm OUT.bmp            4-bit bitmap, no transparency
  xpm2win.py ico OUT.ico IMAGE.xpm [...]      icon with one 4-bit image per XPM

The XPM files are the one source of the images for every toolkit. A bitmap
has no transparency, so "None" becomes the light grey that LoadImage's
LR_LOADMAP3DCOLORS turns into the system's button face; an icon keeps it
transparent through its AND mask.
"""
import re
import struct
import sys

GREY = (0xC0, 0xC0, 0xC0)


def read_xpm(path):
    with open(path, encoding="ascii") as f:
        strings = re.findall(r'"((?:[^"\\]|\\.)*)"', f.read())
    width, height, ncolors, cpp = (int(v) for v in strings[0].split()[:4])
    colors = {}
    for line in strings[1:1 + ncolors]:
        key, fields = line[:cpp], line[cpp:].split()
        value = fields[fields.index("c") + 1]
        colors[key] = None if value.lower() == "none" else tuple(
            int(value[i:i + 2], 16) for i in (1, 3, 5))
    rows = strings[1 + ncolors:1 + ncolors + height]
    if len(rows) != height or any(len(r) != width * cpp for r in rows):
        sys.exit(f"{path}: pixel rows do not match {width} x {height}")
    pixels = [[colors[r[x * cpp:(x + 1) * cpp]] for x in range(width)] for r in rows]
    return width, height, pixels


def palette_of(pixels, fill):
    palette = []
    for row in pixels:
        for p in row:
            c = fill if p is None else p
            if c not in palette:
                palette.append(c)
    if len(palette) > 16:
        sys.exit(f"{len(palette)} colours; a 16-colour image holds at most 16")
    return palette + [(0, 0, 0)] * (16 - len(palette))


def dib(width, height, pixels, fill, with_mask):
    """A BITMAPINFOHEADER, a 16-entry palette and the 4-bit rows bottom-up;
    for an icon the height is doubled and the 1-bit AND mask follows."""
    palette = palette_of(pixels, fill)
    xor_stride = ((width * 4 + 31) // 32) * 4
    and_stride = ((width + 31) // 32) * 4
    xor = bytearray()
    mask = bytearray()
    for row in reversed(pixels):
        line = bytearray(xor_stride)
        bits = bytearray(and_stride)
        for x, p in enumerate(row):
            index = palette.index(fill if p is None else p)
            line[x // 2] |= index << (4 if x % 2 == 0 else 0)
            if p is None:
                bits[x // 8] |= 0x80 >> (x % 8)
        xor += line
        mask += bits
    image = xor + (mask if with_mask else b"")
    header = struct.pack("<IiiHHIIiiII", 40, width, height * (2 if with_mask else 1), 1, 4, 0,
                         len(image), 0, 0, 16, 0)
    colors = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    return header + colors + image


def write_bmp(source, target):
    width, height, pixels = read_xpm(source)
    body = dib(width, height, pixels, GREY, False)
    offset = 14 + 40 + 16 * 4
    with open(target, "wb") as f:
        f.write(struct.pack("<2sIHHI", b"BM", 14 + len(body), 0, 0, offset) + body)


def write_ico(target, sources):
    images = []
    for source in sources:
        width, height, pixels = read_xpm(source)
        images.append((width, height, dib(width, height, pixels, (0, 0, 0), True)))
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for width, height, data in images:
        out += struct.pack("<BBBBHHII", width % 256, height % 256, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    for _, _, data in images:
        out += data
    with open(target, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "bmp":
        write_bmp(sys.argv[2], sys.argv[3])
    elif len(sys.argv) >= 4 and sys.argv[1] == "ico":
        write_ico(sys.argv[2], sys.argv[3:])
    else:
        sys.exit(__doc__)
