#!/usr/bin/env python3
"""Makes samples/ticket.png, the picture the README's run command labels without a desktop:
a ticket-like card (a soft two-colour gradient with a darker band and a perforation line), drawn
from plain arithmetic so it is our own and stays small. Run: tools/make_sample.py [OUT.png]"""
import struct
import sys
import zlib

WIDTH, HEIGHT = 480, 270


def pixel(x, y):
    t = x / (WIDTH - 1)
    r = int(40 + 150 * t)
    g = int(90 + 60 * (1 - t))
    b = int(160 - 60 * t)
    if 70 <= y < 200:  # the band the number sits on
        r, g, b = r * 3 // 4, g * 3 // 4, b * 3 // 4
    if x == WIDTH - 90 and (y // 6) % 2 == 0:  # the perforation
        r = g = b = 235
    return r, g, b


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "samples/ticket.png"
    rows = b"".join(b"\0" + bytes(v for x in range(WIDTH) for v in pixel(x, y)) for y in range(HEIGHT))
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", WIDTH, HEIGHT, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b"")
    with open(out, "wb") as f:
        f.write(png)


if __name__ == "__main__":
    main()
