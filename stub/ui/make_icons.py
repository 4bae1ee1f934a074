#!/usr/bin/env python3
"""The stub's icon, drawn here as text and turned into icon resources by the
build: a closed box with a zip fastener and an arrow leaving it.

Writes into OUTDIR the image (an RT_ICON resource) and the two icon group
directories (RT_GROUP_ICON): the program's icon MNICON and group 103, the
dialog's, both naming the one 32 x 32 image, which Windows also scales for
its small icons.  The image is a 16-colour PNG (Windows Vista and later read
PNG icon images): 220 bytes against 744 as a bitmap with its mask, which the
stub's byte budget needs; a drawn 16 x 16 image cost 230 bytes more.

usage: make_icons.py OUTDIR"""
import os
import struct
import sys
import zlib

# The standard 16-colour palette, by the letter that draws it; '.' is
# transparent.
PALETTE = [
    ('k', 0x000000), ('m', 0x800000), ('G', 0x008000), ('o', 0x808000),
    ('n', 0x000080), ('p', 0x800080), ('t', 0x008080), ('s', 0xC0C0C0),
    ('d', 0x808080), ('r', 0xFF0000), ('g', 0x00FF00), ('y', 0xFFFF00),
    ('b', 0x0000FF), ('f', 0xFF00FF), ('c', 0x00FFFF), ('w', 0xFFFFFF),
]

ICON_32 = """
..............kkkk..............
.............kGGGGk.............
............kGggggGk............
...........kGggggggGk...........
..........kGggggggggGk..........
.........kGggggggggggGk.........
........kkkkkGggggGkkkkk........
............kGggggGk............
............kGggggGk............
............kGggggGk............
......kkkkkkkGggggGkkkkkkkk.....
.....kyyyyyykGggggGkwkyyyyyk....
....kyyyyyyykkkkkkkkwkyyyyyyk...
...kyyyyyyyyyyyyyykwkyyyyyyyyk..
..kkkkkkkkkkkkkkkkwkkkkkkkkkkok.
..koyyyyyyyyyyyykwkyyyyyyyyyook.
..koyyyyyyyyyyyyykwkyyyyyyyyook.
..koyyyyyyyyyyyykwkyyyyyyyyyook.
..koyyyyyyyyyyyyykwkyyyyyyyyook.
..koyyyyyyyyyyyykwkyyyyyyyyyook.
..koyyyyyyyyyyyyykwkyyyyyyyyook.
..koyyyyyyyyyyyykwkyyyyyyyyyook.
..koyyyyyyyyyyyyykwkyyyyyyyyook.
..koyyyyyyyyyyyykwkyyyyyyyyyook.
..koyyyyyyyyyyyyykwkyyyyyyyyook.
..koyyyyyyyyyyyykwkyyyyyyyyyook.
..koyyyyyyyyyyyyykwkyyyyyyyyook.
..koyyyyyyyyyyyykwkyyyyyyyyyook.
..kooooooooooooooooooooooooooook
..kkkkkkkkkkkkkkkkkkkkkkkkkkkkkk
................................
................................
"""

def rows_of(picture, size):
    rows = picture.strip().split('\n')
    if len(rows) != size or any(len(r) != size or set(r) - set('.' + ''.join(dict(PALETTE))) for r in rows):
        sys.exit('make_icons.py: a %d x %d picture has a row of another length or an unknown letter' % (size, size))
    return rows


def png_chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))


def png(picture, size):
    """A 4-bit palette PNG of the colours the picture uses; palette entry 0 is
    the transparent one."""
    rows = rows_of(picture, size)
    letters = ['.'] + [letter for letter, _ in PALETTE if any(letter in r for r in rows)]
    rgb = dict(PALETTE)
    index = {letter: i for i, letter in enumerate(letters)}
    raw = b''
    for row in rows:
        nibbles = [index[ch] for ch in row]
        raw += b'\0' + bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2))
    palette = b''.join(struct.pack('>I', rgb.get(letter, 0))[1:] for letter in letters)
    return (b'\x89PNG\r\n\x1a\n'
            + png_chunk(b'IHDR', struct.pack('>IIBBBBB', size, size, 4, 3, 0, 0, 0))
            + png_chunk(b'PLTE', palette)
            + png_chunk(b'tRNS', b'\0')
            + png_chunk(b'IDAT', zlib.compress(raw, 9))
            + png_chunk(b'IEND', b''))


def group(images):
    """GRPICONDIR: the header, then one 14-byte entry per image (size, colour
    count, planes, bits, bytes, resource id)."""
    out = struct.pack('<HHH', 0, 1, len(images))
    for size, data, resource_id in images:
        out += struct.pack('<BBBBHHIH', size, size, 16, 0, 1, 4, len(data), resource_id)
    return out


def main():
    out_dir = sys.argv[1]
    os.makedirs(out_dir, exist_ok=True)
    icon32 = png(ICON_32, 32)
    files = {
        'icon32.bin': icon32,
        'group_program.bin': group([(32, icon32, 2)]),
        'group_dialog.bin': group([(32, icon32, 2)]),
    }
    for name, data in files.items():
        with open(os.path.join(out_dir, name), 'wb') as f:
            f.write(data)


main()
