#!/usr/bin/env python3
"""Draws the program's artwork into this folder:

  banner.png   217 x 435, 16 bits per channel RGB, not interlaced: the product name at
               the top and the bottom in black block letters, a grey bench vice between,
               on an orange-to-red background
  browse.jpg   23 x 23 baseline JPEG, three components: a yellow folder
  icon.png     32 x 32, 256-colour palette: a dark red arrow pointing down
  icon.ico     the same icon as a Windows icon resource (8 bits per pixel)

Python's standard library draws and writes the PNG and ICO files; ImageMagick's convert
turns the folder picture into a baseline JPEG. Run it from anywhere; the results are
committed, so the build never runs it.
"""
import os
import struct
import subprocess
import tempfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def png(path, width, height, raw_rows, depth, colour_type, palette=None, transparent=None):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, height, depth, colour_type, 0, 0, 0)
    data = b"".join(b"\0" + row for row in raw_rows)
    out = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
    if palette is not None:
        out += chunk(b"PLTE", b"".join(bytes(c) for c in palette))
        if transparent is not None:
            out += chunk(b"tRNS", bytes(255 if i != transparent else 0 for i in range(len(palette))))
    out += chunk(b"IDAT", zlib.compress(data, 9)) + chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(out)


# --- banner --------------------------------------------------------------------------
GLYPHS = {
    "Z": ["#####", "....#", "...#.", "..#..", ".#...", "#....", "#####"],
    "e": [".....", ".....", ".###.", "#...#", "#####", "#....", ".###."],
    "l": [".##..", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."],
    "v": [".....", ".....", "#...#", "#...#", "#...#", ".#.#.", "..#.."],
    "a": [".....", ".....", ".###.", "....#", ".####", "#...#", ".####"],
    "n": [".....", ".....", "####.", "#...#", "#...#", "#...#", "#...#"],
    "t": ["..#..", "..#..", "#####", "..#..", "..#..", "..#.#", "...#."],
    "o": [".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###."],
}


def banner():
    w, h = 217, 435
    px = [[(0.0, 0.0, 0.0)] * w for _ in range(h)]
    # Orange at the top running into red at the bottom, with faint diagonal bands.
    for y in range(h):
        t = y / (h - 1)
        for x in range(w):
            band = 0.04 if ((x + y) // 12) % 2 else 0.0
            r = 1.0 - 0.18 * t
            g = max(0.0, 0.55 - 0.45 * t - band)
            b = max(0.0, 0.08 - 0.05 * t)
            px[y][x] = (r, g, b)

    def rect(x0, y0, x1, y1, colour):
        for y in range(max(0, y0), min(h, y1)):
            for x in range(max(0, x0), min(w, x1)):
                px[y][x] = colour

    def shaded(x0, y0, x1, y1, level):
        # A grey block lit from the top left.
        for y in range(y0, y1):
            for x in range(x0, x1):
                edge = 0.12 if (y == y0 or x == x0) else (-0.15 if (y == y1 - 1 or x == x1 - 1) else 0)
                v = min(1.0, max(0.0, level + edge - 0.1 * (y - y0) / max(1, y1 - y0)))
                px[y][x] = (v, v, v)

    def text(word, top, scale=4):
        width = len(word) * 6 * scale - scale
        left = (w - width) // 2
        for i, ch in enumerate(word):
            for gy, line in enumerate(GLYPHS[ch]):
                for gx, cell in enumerate(line):
                    if cell == "#":
                        x0 = left + (i * 6 + gx) * scale
                        y0 = top + gy * scale
                        rect(x0, y0, x0 + scale + 1, y0 + scale, (0.0, 0.0, 0.0))

    text("Zelvanto", 18)
    text("Zelvanto", h - 18 - 28)

    # A bench vice: base plate, body, fixed and moving jaws, spindle and handle.
    shaded(38, 300, 180, 318, 0.45)   # base plate
    shaded(58, 250, 160, 300, 0.55)   # body
    shaded(58, 190, 92, 250, 0.62)    # fixed jaw
    shaded(126, 190, 160, 250, 0.62)  # moving jaw
    shaded(54, 182, 96, 192, 0.75)    # jaw plates
    shaded(122, 182, 164, 192, 0.75)
    shaded(160, 226, 200, 236, 0.50)  # spindle
    shaded(196, 200, 204, 262, 0.40)  # handle
    shaded(190, 196, 210, 204, 0.35)  # handle knobs
    shaded(190, 258, 210, 266, 0.35)

    rows = []
    for y in range(h):
        row = bytearray()
        for x in range(w):
            for c in px[y][x]:
                row += struct.pack(">H", int(round(c * 65535)))
        rows.append(bytes(row))
    png(os.path.join(HERE, "banner.png"), w, h, rows, 16, 2)


# --- browse picture ------------------------------------------------------------------
def browse():
    w = h = 23
    face = (240, 240, 240)
    yellow, dark, light = (250, 204, 48), (176, 128, 16), (255, 232, 140)
    px = [[face] * w for _ in range(h)]
    for y in range(5, 9):      # tab
        for x in range(2, 10):
            px[y][x] = dark if y == 5 or x in (2, 9) else yellow
    for y in range(8, 19):     # body
        for x in range(2, 21):
            px[y][x] = dark if y in (8, 18) or x in (2, 20) else (light if y == 9 else yellow)
    ppm = b"P6 %d %d 255\n" % (w, h) + b"".join(bytes(c) for row in px for c in row)
    with tempfile.TemporaryDirectory() as tmp:
        source = os.path.join(tmp, "browse.ppm")
        with open(source, "wb") as f:
            f.write(ppm)
        subprocess.run(["convert", source, "-strip", "-interlace", "none", "-sampling-factor",
                        "1x1", "-quality", "92", "-colorspace", "sRGB", "-type", "TrueColor",
                        "jpeg:" + os.path.join(HERE, "browse.jpg")], check=True)


# --- icon ----------------------------------------------------------------------------
def icon():
    n = 32
    # Palette: 0 transparent, 1 outline, 2 dark red, 3 highlight; the rest unused black,
    # so the picture has the full 256 colours of its format.
    palette = [(0, 0, 0), (64, 0, 0), (139, 0, 0), (190, 40, 40)] + [(0, 0, 0)] * 252
    idx = [[0] * n for _ in range(n)]
    for y in range(n):
        for x in range(n):
            inside = (11 <= x <= 20 and 2 <= y <= 16) or (16 <= y <= 29 and abs(x - 15.5) <= (29 - y) * 1.0 + 0.5)
            if inside:
                idx[y][x] = 2
    for y in range(n):  # outline and highlight
        for x in range(n):
            if idx[y][x] == 2:
                around = [idx[yy][xx] if 0 <= yy < n and 0 <= xx < n else 0
                          for yy, xx in ((y - 1, x), (y + 1, x), (y, x - 1), (y, x + 1))]
                if 0 in around:
                    idx[y][x] = 1
                elif x in (12, 13) and y < 16:
                    idx[y][x] = 3
    png(os.path.join(HERE, "icon.png"), n, n, [bytes(r) for r in idx], 8, 3, palette, 0)

    # ICO: one 32 x 32 image, BITMAPINFOHEADER at 8 bits, rows bottom-up, then the AND mask.
    xor = b"".join(bytes(idx[y]) for y in reversed(range(n)))
    mask_rows = []
    for y in reversed(range(n)):
        bits = 0
        for x in range(n):
            bits = (bits << 1) | (1 if idx[y][x] == 0 else 0)
        mask_rows.append(struct.pack(">I", bits))
    colours = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    info = struct.pack("<IiiHHIIiiII", 40, n, n * 2, 1, 8, 0, len(xor) + len(mask_rows) * 4, 0, 0, 256, 0)
    image = info + colours + xor + b"".join(mask_rows)
    header = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", n, n, 0, 0, 1, 8, len(image), 22)
    with open(os.path.join(HERE, "icon.ico"), "wb") as f:
        f.write(header + image)


if __name__ == "__main__":
    banner()
    browse()
    icon()
