#!/usr/bin/env python3
"""Makes the Windows program's resource pictures from the PNGs next to this script: the logo and
the two glyphs as 24-bit BMPs (Win32 loads them without a PNG decoder), and icon.ico from the
desktop icons in dist/icons (PNG-compressed entries, which Windows reads from Vista on).
Needs ImageMagick's convert for the PNG pixels. Run again after draw-pictures.sh."""
import os
import struct
import subprocess

here = os.path.dirname(os.path.abspath(__file__))


def ppm_pixels(png):
    data = subprocess.run(["convert", png, "ppm:-"], check=True, capture_output=True).stdout
    fields, rest = [], data
    while len(fields) < 4:  # magic, width, height, maximum, separated by whitespace
        rest = rest.lstrip()
        end = min(i for i in (rest.find(b" "), rest.find(b"\n")) if i >= 0)
        fields.append(rest[:end])
        rest = rest[end:]
    width, height = int(fields[1]), int(fields[2])
    return width, height, rest[1:1 + width * height * 3]


def write_bmp(png, bmp):
    width, height, rgb = ppm_pixels(png)
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in reversed(range(height)):  # bottom-up
        row = bytearray()
        for x in range(width):
            r, g, b = rgb[(y * width + x) * 3:(y * width + x) * 3 + 3]
            row += bytes((b, g, r))
        rows.append(bytes(row) + b"\0" * (stride - width * 3))
    pixels = b"".join(rows)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(bmp, "wb") as out:
        out.write(header + info + pixels)


def write_ico(pngs, ico):
    images = [open(p, "rb").read() for p in pngs]
    entries, offset = b"", 6 + 16 * len(images)
    for image in images:
        width, height = struct.unpack(">II", image[16:24])
        entries += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32, len(image),
                               offset)
        offset += len(image)
    with open(ico, "wb") as out:
        out.write(struct.pack("<HHH", 0, 1, len(images)) + entries + b"".join(images))


for name in ("folder", "write", "logo"):
    write_bmp(os.path.join(here, name + ".png"), os.path.join(here, name + ".bmp"))
icons = os.path.join(here, "..", "dist", "icons")
write_ico([os.path.join(icons, f"{size}.png") for size in (16, 24, 32, 48, 256)],
          os.path.join(here, "icon.ico"))
