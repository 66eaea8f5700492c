#!/usr/bin/env python3
"""Draws the program's pictures: logo.png (200x63), startup.png (290x300), icon.png (32x32),
and the desktop icon at the usual sizes, icons/zorvex-SIZE.png (installed into the hicolor theme).

Plain standard library, so the pictures can be redrawn anywhere:
    python3 resources/draw_pictures.py
"""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

# 5x7 letters for the few words the pictures carry.
FONT = {
    "Z": ["11111", "00001", "00010", "00100", "01000", "10000", "11111"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "V": ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "X": ["10001", "10001", "01010", "00100", "01010", "10001", "10001"],
    "1": ["00100", "01100", "00100", "00100", "00100", "00100", "01110"],
    ".": ["00000", "00000", "00000", "00000", "00000", "01100", "01100"],
    "0": ["01110", "10001", "10011", "10101", "11001", "10001", "01110"],
    " ": ["00000"] * 7,
}


class Canvas:
    def __init__(self, w, h, colour):
        self.w, self.h = w, h
        self.px = [[colour for _ in range(w)] for _ in range(h)]

    def rect(self, x, y, w, h, colour):
        for j in range(max(0, y), min(self.h, y + h)):
            for i in range(max(0, x), min(self.w, x + w)):
                self.px[j][i] = colour

    def gradient(self, top, bottom):
        for j in range(self.h):
            t = j / max(1, self.h - 1)
            c = tuple(int(a + (b - a) * t) for a, b in zip(top, bottom))
            for i in range(self.w):
                self.px[j][i] = c

    def text(self, x, y, word, scale, colour):
        for ch in word:
            glyph = FONT[ch]
            for r, row in enumerate(glyph):
                for c, bit in enumerate(row):
                    if bit == "1":
                        self.rect(x + c * scale, y + r * scale, scale, scale, colour)
            x += 6 * scale
        return x

    def cartridge(self, x, y, s, body, label):
        """A small cartridge: body, notched corner, label and contacts."""
        self.rect(x, y, 20 * s, 24 * s, body)
        self.rect(x + 16 * s, y, 4 * s, 2 * s, (0, 0, 0, 0) if len(body) == 4 else self.px[y][x - 1])
        self.rect(x + 3 * s, y + 3 * s, 14 * s, 11 * s, label)
        for k in range(6):
            self.rect(x + (3 + 2 * k) * s, y + 20 * s, s, 3 * s, (200, 170, 60))

    def halved(self):
        """The picture at half size, each pixel the mean of four."""
        out = Canvas(self.w // 2, self.h // 2, (0, 0, 0))
        for j in range(out.h):
            for i in range(out.w):
                quad = [self.px[2 * j + dj][2 * i + di] for dj in (0, 1) for di in (0, 1)]
                out.px[j][i] = tuple(sum(p[k] for p in quad) // 4 for k in range(3))
        return out

    def save(self, name):
        raw = b"".join(b"\x00" + b"".join(struct.pack("BBB", *p[:3]) for p in row) for row in self.px)

        def chunk(kind, data):
            return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

        png = b"\x89PNG\r\n\x1a\n"
        png += chunk(b"IHDR", struct.pack(">IIBBBBB", self.w, self.h, 8, 2, 0, 0, 0))
        png += chunk(b"IDAT", zlib.compress(raw, 9))
        png += chunk(b"IEND", b"")
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(png)


def logo():
    c = Canvas(200, 63, (0, 0, 0))
    c.gradient((22, 40, 78), (8, 16, 34))
    c.cartridge(8, 8, 2, (120, 124, 140), (150, 200, 90))
    x = c.text(72, 18, "ZORVEX", 3, (240, 240, 250))
    c.rect(72, 44, x - 75, 3, (150, 200, 90))
    c.save("logo.png")


def startup():
    c = Canvas(290, 300, (0, 0, 0))
    c.gradient((30, 54, 100), (6, 12, 28))
    # A screen in the green of the handheld, with the name on it.
    c.rect(35, 30, 220, 150, (60, 70, 60))
    c.rect(45, 40, 200, 130, (155, 188, 15))
    c.text(57, 82, "ZORVEX", 5, (15, 56, 15))
    c.cartridge(115, 194, 3, (120, 124, 140), (150, 200, 90))
    c.text(116, 280, "V1.10", 2, (230, 230, 240))
    c.save("startup.png")


def icon(scale=1):
    """The 32x32 icon drawn with every pixel scale x scale."""
    s = scale
    c = Canvas(32 * s, 32 * s, (22, 40, 78))
    c.cartridge(6 * s, 4 * s, s, (120, 124, 140), (150, 200, 90))
    c.text(10 * s, 8 * s, "Z", s, (15, 56, 15))
    return c


def icons():
    icon().save("icon.png")
    os.makedirs(os.path.join(HERE, "icons"), exist_ok=True)
    # The pixel-art sizes are exact multiples; 16 and 48 are halved from 32 and 96.
    for size, picture in [(16, icon().halved()), (32, icon()), (48, icon(3).halved()),
                          (64, icon(2)), (128, icon(4)), (256, icon(8))]:
        picture.save(os.path.join("icons", "zorvex-%d.png" % size))


if __name__ == "__main__":
    logo()
    startup()
    icons()
