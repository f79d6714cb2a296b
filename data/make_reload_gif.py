#!/usr/bin/env python3
"""Draws Reload.gif: a 16x16 circular arrow on a transparent background.

Run from anywhere: python3 data/make_reload_gif.py [output.gif]
The LZW stream is written with a clear code before every pair of pixels, so the code size
never grows past 3 bits; decoders read it like any other GIF.
"""
import math
import sys

SIZE = 16
# 0 transparent, 1 dark blue outline, 2 light blue fill, 3 white
PALETTE = [(255, 255, 255), (16, 48, 144), (72, 136, 232), (255, 255, 255)]


def draw():
    pixels = [[0] * SIZE for _ in range(SIZE)]
    cx, cy = 7.5, 8.0
    for y in range(SIZE):
        for x in range(SIZE):
            dx, dy = x - cx, y - cy
            r = math.hypot(dx, dy)
            angle = math.degrees(math.atan2(-dy, dx)) % 360
            # a ring open at the upper right, where the arrow head sits
            if 3.8 <= r <= 6.9 and not (10 <= angle <= 75):
                pixels[y][x] = 1 if (r < 4.7 or r > 6.0) else 2
    # arrow head pointing down at the upper-right gap
    head = [
        "1111111",
        ".12221.",
        "..121..",
        "...1...",
    ]
    for row, line in enumerate(head):
        for col, ch in enumerate(line):
            if ch != ".":
                pixels[3 + row][8 + col] = int(ch)
    return pixels


def lzw(pixels):
    codes = []
    flat = [p for row in pixels for p in row]
    for i in range(0, len(flat), 2):
        codes.append(4)  # clear
        codes.extend(flat[i:i + 2])
    codes.append(5)  # end of information
    out = bytearray()
    acc = bits = 0
    for code in codes:
        acc |= code << bits
        bits += 3
        while bits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            bits -= 8
    if bits:
        out.append(acc & 0xFF)
    return bytes(out)


def gif(pixels):
    data = bytearray(b"GIF89a")
    data += SIZE.to_bytes(2, "little") * 2
    data += bytes([0x81, 0, 0])  # global colour table of 4 entries
    for r, g, b in PALETTE:
        data += bytes([r, g, b])
    data += bytes([0x21, 0xF9, 4, 0x01, 0, 0, 0, 0])  # colour 0 is transparent
    data += bytes([0x2C, 0, 0, 0, 0]) + SIZE.to_bytes(2, "little") * 2 + bytes([0])
    data.append(2)  # minimum code size
    stream = lzw(pixels)
    for i in range(0, len(stream), 255):
        block = stream[i:i + 255]
        data.append(len(block))
        data += block
    data += bytes([0, 0x3B])
    return bytes(data)


if __name__ == "__main__":
    target = sys.argv[1] if len(sys.argv) > 1 else __file__.rsplit("/", 1)[0] + "/Reload.gif"
    with open(target, "wb") as f:
        f.write(gif(draw()))
    for row in draw():
        print("".join(" #o"[p] if p < 3 else "." for p in row))
