#!/usr/bin/python3
"""Draws the twelve lamp pictures (15 x 15, 16 colours, 4 bits per pixel) into
resources/leds/. Run it again after changing the art; the output is byte-for-byte the
same for the same script, so the committed files can be checked against it."""

import math
import os
import struct
import sys

# The standard 16-colour palette, in its usual order.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GREY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE = range(8, 16)

SIZE = 15
CENTRE = 7


def lamp(bright, dark, background, lit):
    px = [[background] * SIZE for _ in range(SIZE)]
    for y in range(SIZE):
        for x in range(SIZE):
            d = math.hypot(x - CENTRE, y - CENTRE)
            if d <= 4.6:
                if not lit:
                    colour = dark
                else:
                    # Lit: the bright colour, shaded with the dark tone towards the
                    # bottom right, where the light does not fall.
                    colour = dark if (x - CENTRE) + (y - CENTRE) >= 4 else bright
                px[y][x] = colour
            elif d <= 5.6:
                # The rim: silver where the light falls, grey in the shadow.
                px[y][x] = SILVER if (x - CENTRE) + (y - CENTRE) < 0 else GREY
            elif d <= 6.7:
                px[y][x] = BLACK
    # The white highlight at the top left of the glass.
    for x, y in ((4, 5), (5, 4), (5, 5)):
        px[y][x] = WHITE
    return px


def bulb(lit):
    background = OLIVE
    px = [[background] * SIZE for _ in range(SIZE)]
    cx, cy, r = 7, 5, 4
    for y in range(SIZE):
        for x in range(SIZE):
            d = math.hypot(x - cx, y - cy)
            if d <= r - 0.6:
                px[y][x] = YELLOW if lit else WHITE
            elif d <= r + 0.5 and y <= 8:
                px[y][x] = BLACK
    # The neck and the screw base.
    for y in range(9, 13):
        for x in range(5, 10):
            edge = x in (5, 9) or y == 12
            px[y][x] = BLACK if edge else (SILVER if y % 2 else GREY)
    px[13][6] = px[13][7] = px[13][8] = BLACK
    if lit:
        # Rays all around the glass.
        for angle in range(0, 360, 45):
            if angle == 90:  # straight down is the base
                continue
            a = math.radians(angle)
            for dist in (5.8, 6.8):
                x = round(cx + dist * math.cos(a))
                y = round(cy + dist * math.sin(a))
                if 0 <= x < SIZE and 0 <= y < SIZE and px[y][x] == background:
                    px[y][x] = YELLOW
    return px


def write_bmp(path, px):
    row_bytes = 8  # 15 pixels of 4 bits, padded to a multiple of 4 bytes
    pixel_data = bytearray()
    for y in reversed(range(SIZE)):  # bottom-up
        row = bytearray()
        for x in range(0, 16, 2):
            hi = px[y][x]
            lo = px[y][x + 1] if x + 1 < SIZE else 0
            row.append((hi << 4) | lo)
        pixel_data += row[:row_bytes]
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixel_data), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 4, 0, len(pixel_data), 2835, 2835,
                       16, 16)
    with open(path, "wb") as f:
        f.write(header + info + palette + pixel_data)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(__file__), "..", "..", "resources", "leds")
    os.makedirs(out, exist_ok=True)
    kinds = {
        "RED": (RED, MAROON, OLIVE),
        "GREEN": (LIME, GREEN, OLIVE),
        "BLUE": (BLUE, NAVY, OLIVE),
        "YELLOW": (YELLOW, OLIVE, PURPLE),
        "PURPLE": (FUCHSIA, PURPLE, OLIVE),
    }
    for name, (bright, dark, background) in kinds.items():
        write_bmp(os.path.join(out, f"LED{name}ON.bmp"), lamp(bright, dark, background, True))
        write_bmp(os.path.join(out, f"LED{name}OFF.bmp"), lamp(bright, dark, background, False))
    write_bmp(os.path.join(out, "LEDBULBON.bmp"), bulb(True))
    write_bmp(os.path.join(out, "LEDBULBOFF.bmp"), bulb(False))


if __name__ == "__main__":
    main()
