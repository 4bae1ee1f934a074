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
    """One stored entry per name, content 'data of NAME', as given, also
    twice; names ending in '/' are empty folder entries."""
    import warnings
    warnings.simplefilter('ignore')
    with zipfile.ZipFile(out, 'w', zipfile.ZIP_STORED) as z:
        for n in names:
            data = b'' if n.endswith('/') else b'data of ' + n.encode()
            z.writestr(zipfile.ZipInfo(n, (2021, 6, 15, 12, 34, 56)), data)


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


def many(out, count):
    """`count` empty stored entries f00000, f00001, ... and a classic end
    record counting them: 65,535 is the most it holds, and no ZIP64."""
    count = int(count)
    local, central = bytearray(), bytearray()
    for i in range(count):
        name = b'f%05d' % i
        central += struct.pack('<IHHHHHHIIIHHHHHII', 0x02014B50, 20, 10, 0, 0, 0, 0x52CF, 0, 0, 0,
                               len(name), 0, 0, 0, 0, 0, len(local)) + name
        local += struct.pack('<IHHHHHIIIHH', 0x04034B50, 10, 0, 0, 0, 0x52CF, 0, 0, 0,
                             len(name), 0) + name
    end = EOCD + struct.pack('<HHHHIIH', 0, 0, count, count, len(central), len(local), 0)
    open(out, 'wb').write(bytes(local + central + end))


def recount(src, out, delta):
    """The same archive with the end record's counts changed by `delta`."""
    data = bytearray(open(src, 'rb').read())
    e = data.rfind(EOCD)
    n = struct.unpack('<H', data[e + 10:e + 12])[0] + int(delta)
    data[e + 8:e + 12] = struct.pack('<HH', n, n)
    open(out, 'wb').write(data)


def comment_copy(src, out):
    """The archive with a comment that holds a copy of its own end record,
    whose comment length does not reach the end of the file."""
    data = open(src, 'rb').read()
    e = data.rfind(EOCD)
    copy = data[e:e + 20] + struct.pack('<H', 1)
    comment = b'copy: ' + copy + b' end'
    open(out, 'wb').write(data[:e + 20] + struct.pack('<H', len(comment)) + comment)


def piped(out, folder):
    """The files of `folder` written by zipfile to a pipe: no seeking, so
    every entry has flag bit 3 and its sizes in a descriptor."""
    import os
    import subprocess
    writer = subprocess.Popen(['cat'], stdin=subprocess.PIPE, stdout=open(out, 'wb'))
    with zipfile.ZipFile(writer.stdin, 'w', zipfile.ZIP_DEFLATED) as z:
        for root, dirs, files in os.walk(folder):
            dirs.sort()
            for f in sorted(files):
                path = os.path.join(root, f)
                z.write(path, os.path.relpath(path, folder))
    writer.stdin.close()
    writer.wait()


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
     'many': lambda: many(args[0], args[1]), 'recount': lambda: recount(args[0], args[1], args[2]),
     'comment-copy': lambda: comment_copy(args[0], args[1]),
     'piped': lambda: piped(args[0], args[1]),
     'list': lambda: listing(args[0]), 'contents': lambda: contents(args[0])}[cmd]()
