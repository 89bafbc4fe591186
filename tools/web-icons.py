#!/usr/bin/env python3
"""Makes the web app's larger icons from the game's own pixel-art icon, each
pixel a square of whole pixels, so they stay as sharp as the picture:

    tools/web-icons.py IN.png FACTOR OUT.png

IN is an 8-bit RGBA, non-interlaced PNG (as the generator writes its icons).
The output depends on nothing but the input, so the site stays reproducible.
"""
import struct
import sys
import zlib


def read_png(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError(f"{path} is not a PNG")
    pos, idat, head = 8, b"", None
    while pos + 8 <= len(data):
        length, kind = struct.unpack(">I4s", data[pos : pos + 8])
        body = data[pos + 8 : pos + 8 + length]
        if kind == b"IHDR":
            head = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    if head is None or head[2:5] != (8, 6, 0) or head[6] != 0:
        raise ValueError(f"{path} is not an 8-bit RGBA, non-interlaced PNG")
    width, height = head[0], head[1]
    raw, stride = zlib.decompress(idat), width * 4
    rows, prev = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1 : (y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - 4] if i >= 4 else 0
            b = prev[i]
            c = prev[i - 4] if i >= 4 else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(line)
        prev = line
    return width, height, rows


def write_png(path, width, height, rows):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    raw = b"".join(b"\0" + bytes(r) for r in rows)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def main():
    if len(sys.argv) != 4 or not sys.argv[2].isdigit() or int(sys.argv[2]) < 1:
        sys.exit("usage: web-icons.py IN.png FACTOR OUT.png")
    k = int(sys.argv[2])
    width, height, rows = read_png(sys.argv[1])
    out = []
    for r in rows:
        line = b"".join(bytes(r[x * 4 : x * 4 + 4]) * k for x in range(width))
        out.extend([line] * k)
    write_png(sys.argv[3], width * k, height * k, out)


if __name__ == "__main__":
    main()
