#!/usr/bin/env python3
"""A publisher's icon for the tests: a red disc with a white bar on blue, as
16 x 16 and 48 x 48 32-bit bitmaps, a 32 x 32 8-bit bitmap with its palette
and a PNG-compressed 256 x 256 image, laid out as icon editors write them
(the images one after the other behind the directory), so that wrestool
gives the same bytes back from a self-extractor's icon group.

usage: test_icon.py FILE.ico"""
import struct
import sys
import zlib


def pixel(x, y, size):
    """(b, g, r, a) of the drawing at (x, y), y from the top."""
    c, r = (size - 1) / 2, size * 0.42
    if abs(x - c) < size / 10 and abs(y - c) < r * 0.7:
        return (255, 255, 255, 255)
    if (x - c) ** 2 + (y - c) ** 2 <= r * r:
        return (40, 40, 220, 255)
    return (160, 60, 20, 255)


def bitmap(size, bits):
    rows, palette = [], b''
    colours = []
    if bits == 8:
        colours = sorted({pixel(x, y, size)[:3] for y in range(size) for x in range(size)})
        palette = b''.join(bytes(c) + b'\0' for c in colours) + bytes(4 * (256 - len(colours)))
    for y in reversed(range(size)):  # bottom-up
        if bits == 32:
            rows.append(b''.join(bytes(pixel(x, y, size)) for x in range(size)))
        else:
            rows.append(bytes(colours.index(pixel(x, y, size)[:3]) for x in range(size)))
    mask = bytes(((size + 31) // 32) * 4 * size)  # every pixel opaque
    header = struct.pack('<IiiHHIIiiII', 40, size, 2 * size, 1, bits, 0, 0, 0, 0, 0, 0)
    return header + palette + b''.join(rows) + mask


def png(size):
    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
    raw = b''.join(b'\0' + b''.join(bytes((p[2], p[1], p[0], p[3])) for p in
                                    (pixel(x, y, size) for x in range(size))) for y in range(size))
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0)) +
            chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


IMAGES = [(16, 32, bitmap(16, 32)), (32, 8, bitmap(32, 8)), (48, 32, bitmap(48, 32)), (256, 32, png(256))]


def icon(images=IMAGES):
    directory, data = b'', b''
    offset = 6 + 16 * len(images)
    for size, bits, image in images:
        directory += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, bits, len(image), offset + len(data))
        data += image
    return struct.pack('<HHH', 0, 1, len(images)) + directory + data


if __name__ == '__main__':
    with open(sys.argv[1], 'wb') as f:
        f.write(icon())
