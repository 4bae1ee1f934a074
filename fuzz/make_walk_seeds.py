#!/usr/bin/env python3
"""Writes the seeds of the walk fuzz target into fuzz/corpus/walk/: the small
archives of tests/data/ as they are (mode byte 0: the walk starts at offset
0) and packed behind a stub with a configuration block (mode byte 1: start-up
runs first), with the overwrite mode and prompt answers varied."""
import os, struct, sys, zlib

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
out = os.path.join(root, 'fuzz', 'corpus', 'walk')
os.makedirs(out, exist_ok=True)

def rebase(z, base):
    """The archive with its offsets moved by `base`, or None."""
    e = z.rfind(b'PK\x05\x06')
    if e < 0 or e + 22 + struct.unpack('<H', z[e + 20:e + 22])[0] != len(z):
        return None
    z = bytearray(z)
    count, _, cd = struct.unpack('<HII', z[e + 10:e + 20])
    at = cd
    for _ in range(count):
        if z[at:at + 4] != b'PK\x01\x02':
            return None
        off = struct.unpack('<I', z[at + 42:at + 46])[0]
        z[at + 42:at + 46] = struct.pack('<I', off + base)
        n, x, c = struct.unpack('<HHH', z[at + 28:at + 34])
        at += 46 + n + x + c
    z[e + 16:e + 20] = struct.pack('<I', cd + base)
    return bytes(z)

def block(caption=b'Seed', folder=b'><', command=b'x.exe|><'):
    b = b'MPU' + bytes([0x1B, len(caption), len(folder), len(command)]) + struct.pack('<H', 0)
    b += bytes([0]) + caption + folder + command
    return b + struct.pack('<H', len(b) + 2)

sources = []
for sub in ('corpus/zip/go', 'corpus/zip/libarchive', 'tools'):
    d = os.path.join(root, 'tests', 'data', sub)
    for name in sorted(os.listdir(d)):
        p = os.path.join(d, name)
        if name.endswith(('.zip', '.jar')) and os.path.getsize(p) <= 16384:
            sources.append(p)

written = 0
for i, p in enumerate(sources):
    z = open(p, 'rb').read()
    seeds = [bytes([(i % 3) << 1]) + z]
    stub = b'MZ' + bytes(0x5400 - 2)
    head = stub + block()
    moved = rebase(z, len(head))
    if moved is not None and i % 8 == 0:  # a few: each carries 21.5 KB of stub
        seeds.append(bytes([1 | 0x08 | 0x10]) + head + moved)
    for seed in seeds:
        name = '%s-%d-%08x' % (os.path.basename(p), seed[0], zlib.crc32(seed))
        open(os.path.join(out, name), 'wb').write(seed)
        written += 1
print('%d seeds in %s' % (written, out))
