#!/usr/bin/env python3
"""Writes src/shell/brisvane.ico: a page of zeros going through a shredder,
with a padlock, 32x32 in the 16 standard Windows colours.

The generated icon is kept in the repository, so building needs no Python;
run this again only after changing the picture.
"""
import pathlib
import struct

SIZE = 32

# The 16 colours every Windows display has, in their usual order (R, G, B).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, DARK_YELLOW, LIGHT_GRAY, DARK_GRAY = 0, 3, 7, 8
RED, YELLOW, BLUE, WHITE = 9, 11, 12, 15

ZERO = ["010",
        "101",
        "101",
        "101",
        "010"]


def draw():
    """Returns the picture as rows of palette indices, None where transparent."""
    px = [[None] * SIZE for _ in range(SIZE)]

    def rect(x0, y0, x1, y1, colour):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                px[y][x] = colour

    def frame(x0, y0, x1, y1, colour):
        rect(x0, y0, x1, y0, colour)
        rect(x0, y1, x1, y1, colour)
        rect(x0, y0, x0, y1, colour)
        rect(x1, y0, x1, y1, colour)

    def glyph(x0, y0, rows, colour):
        for dy, row in enumerate(rows):
            for dx, bit in enumerate(row):
                if bit == "1":
                    px[y0 + dy][x0 + dx] = colour

    # The page, its top right corner folded over.
    rect(6, 0, 21, 15, WHITE)
    frame(6, 0, 21, 15, BLACK)
    for k in range(5):
        for x in range(18 + k, 22):
            px[k][x] = None
        px[k][17 + k] = BLACK
    rect(17, 0, 17, 4, BLACK)
    rect(17, 4, 21, 4, BLACK)
    for y in range(2, 4):
        for x in range(18, 17 + y):
            px[y][x] = LIGHT_GRAY

    # What the page holds: zeros, all that will be left of it.
    for x in (8, 12):
        glyph(x, 2, ZERO, BLUE)
    for x in (8, 12, 16):
        glyph(x, 8, ZERO, BLUE)

    # The shredder swallowing it, a slot on top and a lamp on the front.
    rect(2, 14, 25, 21, LIGHT_GRAY)
    frame(2, 14, 25, 21, BLACK)
    rect(3, 15, 24, 15, WHITE)
    rect(5, 16, 22, 16, BLACK)
    rect(3, 20, 24, 20, DARK_GRAY)
    px[18][5] = RED

    # Strips falling out underneath, cut to different lengths.
    for x, last in ((5, 28), (9, 30), (13, 27), (17, 29)):
        rect(x, 22, x + 2, last, WHITE)
        rect(x, 22, x, last, BLACK)
        rect(x + 2, 22, x + 2, last, BLACK)
        px[last][x + 1] = BLACK
        px[24 + (x % 3)][x + 1] = BLUE

    # The padlock: nothing goes without the password.
    frame(23, 18, 29, 24, BLACK)
    rect(24, 19, 28, 19, DARK_GRAY)
    rect(24, 19, 24, 24, DARK_GRAY)
    rect(28, 19, 28, 24, DARK_GRAY)
    rect(25, 20, 27, 24, None)
    rect(21, 24, 31, 31, YELLOW)
    frame(21, 24, 31, 31, BLACK)
    rect(22, 30, 30, 30, DARK_YELLOW)
    rect(25, 26, 27, 27, BLACK)
    px[28][26] = BLACK
    return px


def ico(px):
    """Encodes the picture as a one-image .ico: a 4-bit DIB of height 64
    (colours, then the transparency mask), both bottom-up."""
    colours = b"".join(struct.pack("<4B", b, g, r, 0) for r, g, b in PALETTE)
    xor = bytearray()
    mask = bytearray()
    for row in reversed(px):
        # Transparent pixels are black in the colour image so that the mask's
        # AND followed by this XOR leaves the background as it was.
        indices = [BLACK if c is None else c for c in row]
        xor += bytes(hi << 4 | lo for hi, lo in zip(indices[0::2], indices[1::2]))
        bits = 0
        for c in row:
            bits = bits << 1 | (c is None)
        mask += struct.pack(">I", bits)  # 32 pixels: exactly one 4-byte row
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, 4, 0,
                         len(xor) + len(mask), 0, 0, 16, 0)
    image = header + colours + bytes(xor) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def main():
    out = pathlib.Path(__file__).resolve().parent.parent / "src" / "shell" / "brisvane.ico"
    out.parent.mkdir(parents=True, exist_ok=True)
    out.write_bytes(ico(draw()))
    print(out)


if __name__ == "__main__":
    main()
