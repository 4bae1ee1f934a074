#!/usr/bin/env python3
"""Fixture writer and independent reader for the packer tests.

Writes the archives that no archiver makes on request (unsafe names, a
decoy end record, a 2 GiB sparse archive, a directory in reverse order,
several disks) and reads archives back with Python's zipfile, which
shares no code with mksfx.
"""
import struct
import sys
import zipfile
import zlib

EOCD = b'PK\x05\x06'


def stored(out, names):
    """One stored entry per name, content 'data of NAME'."""
    with zipfile.ZipFile(out, 'w', zipfile.ZIP_STORED) as z:
        for n in names:
            z.writestr(zipfile.ZipInfo(n, (2021, 6, 15, 12, 34, 56)), b'data of ' + n.encode())


def empty(out):
    with zipfile.ZipFile(out, 'w'):
        pass


def decoy(out):
    """A stored entry near the end whose data is an end record that reaches
    exactly to the end of the file: the stub, scanning forward, takes it
    before the real one."""
    def build(content):
        with zipfile.ZipFile(out, 'w', zipfile.ZIP_STORED) as z:
            z.writestr(zipfile.ZipInfo('decoy.bin', (2021, 6, 15, 12, 34, 56)), content)
        return open(out, 'rb').read()
    placeholder = b'X' * 22
    data = build(placeholder)
    at = data.find(placeholder)
    rest = len(data) - (at + 22)
    fake = EOCD + struct.pack('<HHHHIIH', 0, 0, 0, 0, 0, 0, rest)
    data = build(fake)
    assert data.find(fake) == at


def huge(out):
    """One stored entry of 0x7FFFF000 bytes in a sparse file: together with
    a stub and a block the self-extractor passes 2 GiB - 1."""
    size = 0x7FFFF000
    name = b'big.bin'
    crc = 0
    local = struct.pack('<IHHHHHIIIHH', 0x04034B50, 10, 0, 0, 0, 0x52CF, crc, size, size,
                        len(name), 0) + name
    central = struct.pack('<IHHHHHHIIIHHHHHII', 0x02014B50, 20, 10, 0, 0, 0, 0x52CF, crc, size,
                          size, len(name), 0, 0, 0, 0, 0, 0) + name
    cd_pos = len(local) + size
    end = EOCD + struct.pack('<HHHHIIH', 0, 0, 1, 1, len(central), cd_pos, 0)
    with open(out, 'wb') as f:
        f.write(local)
        f.seek(cd_pos)
        f.write(central + end)


def multidisk(src, out):
    data = bytearray(open(src, 'rb').read())
    e = data.rfind(EOCD)
    data[e + 4:e + 6] = struct.pack('<H', 1)
    open(out, 'wb').write(data)


def reverse_cd(src, out):
    """The same archive with its central headers in reverse order."""
    data = open(src, 'rb').read()
    e = data.rfind(EOCD)
    n, size, off = struct.unpack('<HII', data[e + 10:e + 20])
    headers, at = [], off
    for _ in range(n):
        ln = 46 + sum(struct.unpack('<HHH', data[at + 28:at + 34]))
        headers.append(data[at:at + ln])
        at += ln
    open(out, 'wb').write(data[:off] + b''.join(reversed(headers)) + data[e:])


def listing(path):
    """name, stored local header offset, size and CRC per entry, then the
    first bad entry found by testzip (or OK)."""
    with zipfile.ZipFile(path) as z:
        for i in z.infolist():
            print('%s %d %d %08x' % (i.filename, i.header_offset, i.file_size, i.CRC))
        bad = z.testzip()
        print('testzip', 'OK' if bad is None else bad)


def contents(path):
    """name and CRC-32 of the bytes each entry extracts to."""
    with zipfile.ZipFile(path) as z:
        for i in z.infolist():
            print('%s %08x' % (i.filename, zlib.crc32(z.read(i))))


if __name__ == '__main__':
    cmd, args = sys.argv[1], sys.argv[2:]
    {'stored': lambda: stored(args[0], args[1:]), 'empty': lambda: empty(args[0]),
     'decoy': lambda: decoy(args[0]), 'huge': lambda: huge(args[0]),
     'multidisk': lambda: multidisk(args[0], args[1]),
     'reverse-cd': lambda: reverse_cd(args[0], args[1]),
     'list': lambda: listing(args[0]), 'contents': lambda: contents(args[0])}[cmd]()
