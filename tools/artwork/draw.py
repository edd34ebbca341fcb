#!/usr/bin/python3
"""Draws the product artwork: res/logo.bmp (88x31) and res/keltrop.ico (32x32), both 256-colour.

Standard library only; the BMP and ICO bytes are assembled here so the output is reproducible.
Run from anywhere: python3 tools/artwork/draw.py
"""
import os
import struct

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))

# Lower-case pixel font: rows 0-1 ascender, 2-6 x-height, 7-8 descender.
GLYPHS = {
    "k": ["#...", "#...", "#..#", "#.#.", "##..", "#.#.", "#..#", "....", "...."],
    "e": [".....", ".....", ".###.", "#...#", "#####", "#....", ".####", ".....", "....."],
    "l": ["##.", ".#.", ".#.", ".#.", ".#.", ".#.", ".##", "...", "..."],
    "t": [".#..", ".#..", "####", ".#..", ".#..", ".#..", "..##", "....", "...."],
    "r": ["....", "....", "#.##", "##..", "#...", "#...", "#...", "....", "...."],
    "o": [".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###.", ".....", "....."],
    "p": [".....", ".....", "####.", "#...#", "#...#", "#...#", "####.", "#....", "#...."],
}

# Palette slots with a meaning; the rest of the 256 entries is a grey ramp.
BLACK, WHITE, NAVY, SHADOW = 0, 1, 2, 3
BLUE0, BLUES = 16, 32  # logo background gradient
ORANGE0, ORANGES = 64, 32  # icon tile gradient


def lerp(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def palette():
    pal = [(i, i, i) for i in range(256)]
    pal[BLACK], pal[WHITE], pal[NAVY], pal[SHADOW] = (0, 0, 0), (255, 255, 255), (16, 32, 80), (20, 20, 40)
    for i in range(BLUES):
        pal[BLUE0 + i] = lerp((40, 90, 200), (110, 190, 250), i / (BLUES - 1))
    for i in range(ORANGES):
        pal[ORANGE0 + i] = lerp((255, 170, 60), (210, 80, 20), i / (ORANGES - 1))
    # RGBQUAD order: blue, green, red, reserved.
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in pal)


def draw_text(pixels, text, x0, y0, scale, colour, shadow):
    """Draws text with a one-pixel drop shadow; pixels[y][x], y downwards."""
    for dx, dy, c in ((1, 1, shadow), (0, 0, colour)):
        x = x0
        for ch in text:
            rows = GLYPHS[ch]
            for gy, row in enumerate(rows):
                for gx, bit in enumerate(row):
                    if bit == "#":
                        for sy in range(scale):
                            for sx in range(scale):
                                pixels[y0 + gy * scale + sy + dy][x + gx * scale + sx + dx] = c
            x += (len(rows[0]) + 1) * scale


def text_width(text, scale):
    return (sum(len(GLYPHS[c][0]) for c in text) + len(text) - 1) * scale


def dib_rows(pixels):
    """8-bit rows bottom-up, each padded to four bytes."""
    out = b""
    for row in reversed(pixels):
        data = bytes(row)
        out += data + b"\0" * (-len(data) % 4)
    return out


def info_header(width, height, image_size):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, image_size, 2835, 2835, 256, 0)


def logo():
    w, h, scale = 88, 31, 2
    px = [[BLUE0 + (x * (BLUES - 1)) // (w - 1) for x in range(w)] for _ in range(h)]
    for x in range(w):
        px[0][x] = px[h - 1][x] = NAVY
    for y in range(h):
        px[y][0] = px[y][w - 1] = NAVY
    glyph_h = len(GLYPHS["k"]) * scale
    draw_text(px, "keltrop", (w - text_width("keltrop", scale)) // 2, (h - glyph_h) // 2, scale,
              WHITE, SHADOW)
    bits = dib_rows(px)
    offset = 14 + 40 + 1024
    return (b"BM" + struct.pack("<IHHI", offset + len(bits), 0, 0, offset)
            + info_header(w, h, len(bits)) + palette() + bits)


def inside_rounded(x, y, size, radius):
    cx = min(max(x + 0.5, radius), size - radius)
    cy = min(max(y + 0.5, radius), size - radius)
    return (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= radius * radius


def icon():
    size, radius, scale = 32, 7, 3
    inside = [[inside_rounded(x, y, size, radius) for x in range(size)] for y in range(size)]
    px = [[ORANGE0 + (y * (ORANGES - 1)) // (size - 1) if inside[y][x] else BLACK
           for x in range(size)] for y in range(size)]
    k_h = 7 * scale  # "k" has no descender
    draw_text(px, "k", (size - text_width("k", scale)) // 2, (size - k_h) // 2, scale, WHITE, NAVY)
    xor = dib_rows(px)
    mask = b""
    for y in reversed(range(size)):  # 1 = transparent, rows padded to 32 bits
        row = 0
        for x in range(size):
            row = (row << 1) | (0 if inside[y][x] else 1)
        mask += row.to_bytes(size // 8, "big") + b"\0" * (-(size // 8) % 4)
    image = info_header(size, size * 2, len(xor) + len(mask)) + palette() + xor + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 0, 0, 1, 8, len(image), 6 + 16)
    return directory + entry + image


def main():
    for name, data in (("logo.bmp", logo()), ("keltrop.ico", icon())):
        with open(os.path.join(ROOT, "res", name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
