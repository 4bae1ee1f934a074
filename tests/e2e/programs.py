"""Builds the program an end-to-end case runs: a self-extractor packed by
mksfx, the stub alone behind junk, or the driver's fixture program; and
plants DLLs beside it.

Archives are written with Python's zipfile (the peer writer) and packed
with build/host/mksfx exactly as a user packs them; damage is applied to the
finished file afterwards, and then the signing steps of the shared signing
code (tests/support/authenticode.py), each signature checked."""

import io
import os
import random
import shutil
import struct
import subprocess
import sys
import time
import zipfile
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'support'))
import authenticode  # noqa: E402

# The stub's budget: a self-extractor without configuration block has its
# archive here, and the stub alone is searched only when it is longer.
STUB_BUDGET = 0x5400

# Fixed time of every archive entry, so packed files are identical run to run.
ENTRY_TIME = (2021, 6, 15, 12, 34, 56)
# File time of the files a case with source = "folder" packs: an odd second,
# which DOS times (two-second steps) cannot hold, so mksfx rounds it up.
SOURCE_MTIME = 1623760497

ZIP_METHODS = {'store': zipfile.ZIP_STORED, 'deflate': zipfile.ZIP_DEFLATED}

SIG_CENTRAL = b'PK\x01\x02'
SIG_LOCAL = b'PK\x03\x04'
# Encrypted archives written before a case gives up: each wrong password
# passes a random header's check byte once in 256 times.
ENCRYPTION_ATTEMPTS = 20

# The local file header's fixed part and where its lengths lie in it.
LOCAL_HEADER_SIZE = 30
LOCAL_NAME_LENGTH_AT = 26

# Bytes per write of an entry made of zeros.
ZERO_CHUNK = 1 << 20

# The DLL that leaves "<its path>.loaded" behind when a program loads it.
PLANTED_DLL = 'sfxplant.dll'
PLANTED_MARK = '.loaded'


class CaseError(Exception):
    """The case file asks for something this harness cannot build."""


def win_path(path):
    """The path a Windows program under Wine sees for a Linux path."""
    return 'Z:' + os.path.abspath(path).replace('/', '\\')


def junk(size, seed):
    """Deterministic filler without the byte 'P', so it can hold no ZIP
    signature and cannot complete one that starts in the stub's tail."""
    rng = random.Random(seed)
    return bytes(b if b != 0x50 else 0x51 for b in rng.randbytes(size))


def entry_data(entry, built_dir=None):
    """An entry's bytes; `built` names a program of the Windows build."""
    if 'built' in entry:
        if built_dir is None:
            raise CaseError('no build tree for %r' % entry['built'])
        with open(os.path.join(built_dir, entry['built']), 'rb') as f:
            return f.read()
    if 'text' in entry:
        return entry['text'].encode('latin-1')
    if 'hex' in entry:
        return bytes.fromhex(entry['hex'])
    if 'size' in entry:
        return junk(entry['size'], entry['name'])
    if 'zeros' in entry:
        return bytes(entry['zeros'])
    return b''


def info_text(size):
    """A deterministic information text of exactly `size` bytes: numbered
    lines, so a reader sees where a cut or a scroll position lies."""
    lines = []
    total = 0
    number = 1
    while total < size:
        line = 'Line %05d of the information text, long enough to need a scroll bar.\r\n' % number
        lines.append(line)
        total += len(line)
        number += 1
    return ''.join(lines)[:size].encode('latin-1')


def build_archive(entries, built_dir=None):
    """A plain ZIP archive (offsets from its own first byte)."""
    out = io.BytesIO()
    with zipfile.ZipFile(out, 'w') as archive:
        for entry in entries:
            info = zipfile.ZipInfo(entry['name'], ENTRY_TIME)
            method = entry.get('method', 'deflate')
            if method not in ZIP_METHODS:
                raise CaseError('unknown method %r' % method)
            info.compress_type = ZIP_METHODS[method]
            if entry['name'].endswith('/'):
                info.external_attr = 0x10  # MS-DOS directory attribute
            if 'zeros' in entry:
                # Streamed: a large entry of zeros is never held whole.
                with archive.open(info, 'w') as f:
                    left = entry['zeros']
                    while left:
                        f.write(bytes(min(left, ZERO_CHUNK)))
                        left -= min(left, ZERO_CHUNK)
                continue
            archive.writestr(info, entry_data(entry, built_dir))
    return out.getvalue()


def _crc_step(crc, byte):
    return zlib.crc32(bytes([byte]), crc ^ 0xFFFFFFFF) ^ 0xFFFFFFFF


def passes_check_byte(password, header, check):
    """Whether `password` decrypts the 12-byte encryption header to a last
    byte equal to `check`, the one test a reader can make before the data."""
    k0, k1, k2 = 0x12345678, 0x23456789, 0x34567890

    def update(byte):
        nonlocal k0, k1, k2
        k0 = _crc_step(k0, byte)
        k1 = ((k1 + (k0 & 0xFF)) * 134775813 + 1) & 0xFFFFFFFF
        k2 = _crc_step(k2, k1 >> 24)

    for byte in password.encode('latin-1'):
        update(byte)
    plain = 0
    for byte in header:
        t = (k2 | 2) & 0xFFFF
        plain = byte ^ ((t * (t ^ 1)) >> 8) & 0xFF
        update(plain)
    return plain == check


def check_byte_results(data, password):
    """For each encrypted entry of the ZIP archive `data`, whether `password`
    passes its check byte."""
    results = []
    at = data.find(SIG_LOCAL)
    while at >= 0 and at + LOCAL_HEADER_SIZE <= len(data):
        flags, _, time_date, crc, size = struct.unpack_from('<HHIII', data, at + 6)
        name_length, extra_length = struct.unpack_from('<HH', data, at + LOCAL_NAME_LENGTH_AT)
        start = at + LOCAL_HEADER_SIZE + name_length + extra_length
        if flags & 1:
            check = (time_date >> 8) & 0xFF if flags & 8 else crc >> 24
            results.append(passes_check_byte(password, data[start:start + 12], check))
        at = data.find(SIG_LOCAL, start + size)
    return results


def build_encrypted_archive(entries, password, work, refused=()):
    """A ZIP archive whose entries carry the traditional encryption, written
    by Info-ZIP zip (Python's zipfile cannot encrypt).  zip's headers are
    random, so a wrong password passes the check byte once in 256 times: the
    archive is written again until none of `refused` does."""
    for _ in range(ENCRYPTION_ATTEMPTS):
        data = _zip_encrypted(entries, password, work)
        if not all(check_byte_results(data, password)):
            raise CaseError('the right password fails the check byte: the key schedule here is wrong')
        if not any(any(check_byte_results(data, p)) for p in refused):
            return data
    raise CaseError('zip wrote %d archives that one of %r opens' % (ENCRYPTION_ATTEMPTS, refused))


def _zip_encrypted(entries, password, work):
    tree = os.path.join(work, 'tree')
    stamp = time.mktime(ENTRY_TIME + (0, 0, -1))
    names = []
    for entry in entries:
        path = os.path.join(tree, *entry['name'].rstrip('/').split('/'))
        if entry['name'].endswith('/'):
            os.makedirs(path, exist_ok=True)
        else:
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, 'wb') as f:
                f.write(entry_data(entry))
        names.append((path, entry))
    for path, _ in reversed(names):
        os.utime(path, (stamp, stamp))
    archive = os.path.join(work, 'encrypted.zip')
    if os.path.exists(archive):
        os.remove(archive)
    for path, entry in names:
        # One call per entry keeps the given order and method.
        level = '-0' if entry.get('method', 'deflate') == 'store' else '-6'
        command = ['zip', '-q', '-X', '-D', level, '-P', password, archive,
                   os.path.relpath(path, tree)]
        result = subprocess.run(command, cwd=tree, capture_output=True, text=True)
        if result.returncode != 0:
            raise CaseError('zip failed: ' + result.stderr.strip())
    with open(archive, 'rb') as f:
        return f.read()


def damage(data, kind):
    """Breaks a finished self-extractor in one named way:
    central-signature, block-magic (the configuration block's "MPU" becomes
    "MPX", so the stub takes no block), entry-data:NAME (the first data byte of the stored
    entry NAME changed, so its CRC no longer matches), or truncate:N (the
    last N bytes cut off, as by a download that broke off)."""
    if kind.startswith('truncate:'):
        return data[:-int(kind.split(':', 1)[1])]
    if kind.startswith('entry-data:'):
        name = kind.split(':', 1)[1].encode('latin-1')
        at = data.find(SIG_LOCAL, STUB_BUDGET)
        while at >= 0:
            name_length, extra_length = struct.unpack_from('<HH', data, at + LOCAL_NAME_LENGTH_AT)
            start = at + LOCAL_HEADER_SIZE
            if data[start:start + name_length] == name:
                first = start + name_length + extra_length
                return data[:first] + bytes([data[first] ^ 0xFF]) + data[first + 1:]
            at = data.find(SIG_LOCAL, at + 4)
        raise CaseError('no entry %r to damage' % name)
    if kind == 'block-magic':
        if data[STUB_BUDGET:STUB_BUDGET + 3] != b'MPU':
            raise CaseError('no configuration block to damage')
        return data[:STUB_BUDGET + 2] + b'X' + data[STUB_BUDGET + 3:]
    if kind == 'central-signature':
        # The first central header behind the stub's budget; its signature
        # becomes PK\1\3.
        first = data.find(SIG_CENTRAL, STUB_BUDGET)
        if first < 0:
            raise CaseError('no central directory header to damage')
        return data[:first + 3] + b'\x03' + data[first + 4:]
    raise CaseError('unknown damage %r' % kind)


class Builder:
    """Makes the programs of the cases from one build tree."""

    def __init__(self, host_dir, win32_dir, certificates_dir):
        self.win32_dir = win32_dir
        self.mksfx = os.path.join(host_dir, 'mksfx')
        self.stub = os.path.join(win32_dir, 'sfxstub.exe')
        self.fixture = os.path.join(win32_dir, 'sfxfixture.exe')
        self.signer = authenticode.Signer(certificates_dir)

    def entry_data(self, entry):
        return entry_data(entry, self.win32_dir)

    def check_agreement(self, program):
        """The problems where build/win32/mksfx.exe check, under Wine, says
        otherwise of `program` than the host build's mksfx check."""
        folder, name = os.path.split(program)
        said = []
        for command in ([self.mksfx], ['wine', os.path.join(self.win32_dir, 'mksfx.exe')]):
            result = subprocess.run(command + ['check', name], cwd=folder, capture_output=True)
            said.append((result.returncode, result.stdout.replace(b'\r\n', b'\n')))
        if said[0] != said[1]:
            return ['mksfx check says %r, mksfx.exe check %r' % (said[0], said[1])]
        return []

    def build(self, case, work, substitute):
        """Writes the case's program into `work`; returns its path and the
        arguments to give it."""
        kind = case.get('program', 'sfx')
        if kind == 'fixture':
            args = [substitute(a) for a in case.get('args', [])]
            if not case.get('plant'):
                return self.fixture, args
            # Planted DLLs lie beside the program: it runs from `work`.
            path = os.path.join(work, os.path.basename(self.fixture))
            shutil.copyfile(self.fixture, path)
            self._plant(case, work)
            return path, args
        path = os.path.join(work, case['name'] + '.exe')
        if kind == 'stub':
            data = self._stub_alone(case)
        elif kind == 'sfx':
            data = self._packed(case, work, substitute)
        else:
            raise CaseError('unknown program kind %r' % kind)
        if 'damage' in case:
            data = damage(data, case['damage'])
        with open(path, 'wb') as out:
            out.write(data)
        if case.get('sign'):
            try:
                self.signer.sign(path, case['sign'])
                self.signer.verify(path)
            except authenticode.SigningError as e:
                raise CaseError(str(e))
        self._plant(case, work)
        return path, [substitute(a) for a in case.get('args', [])]

    def _plant(self, case, folder):
        for name in case.get('plant', []):
            shutil.copyfile(os.path.join(self.win32_dir, PLANTED_DLL), os.path.join(folder, name))

    def _stub_alone(self, case):
        """The stub followed by junk up to `pad_to` bytes and, with
        `raw_archive`, a ZIP archive whose offsets were not moved."""
        with open(self.stub, 'rb') as f:
            data = f.read()
        pad_to = case.get('pad_to', len(data))
        data += junk(max(0, pad_to - len(data)), case['name'])
        if case.get('entries'):
            data += build_archive(case['entries'])
        return data

    def _source_folder(self, case, work):
        """The entries as files and folders under {work}/src, every file
        with the time SOURCE_MTIME, for mksfx to pack from the folder."""
        src = os.path.join(work, 'src')
        for entry in case.get('entries', []):
            path = os.path.join(src, *entry['name'].rstrip('/').split('/'))
            if entry['name'].endswith('/'):
                os.makedirs(path, exist_ok=True)
                continue
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, 'wb') as f:
                f.write(self.entry_data(entry))
            os.utime(path, (SOURCE_MTIME, SOURCE_MTIME))
        options = []
        if 'password' in case:
            password_file = os.path.join(work, 'password.txt')
            with open(password_file, 'w') as f:
                f.write(case['password'] + '\n')
            options = ['--password-file', password_file]
        return src, options

    def _packed(self, case, work, substitute):
        archive = os.path.join(work, 'archive.zip')
        entries = case.get('entries', [])
        options = []
        if case.get('source') == 'folder':
            archive, options = self._source_folder(case, work)
        elif 'password' in case:
            data = build_encrypted_archive(entries, case['password'], work,
                                           case.get('refused_passwords', ()))
        else:
            data = build_archive(entries, self.win32_dir)
        if case.get('source') != 'folder':
            with open(archive, 'wb') as out:
                out.write(data)
        output = os.path.join(work, 'packed.exe')
        command = [self.mksfx, 'pack', '--stub', self.stub] + options
        if case.get('packer') == 'win32':
            # mksfx.exe of the Windows build, under Wine, with Windows paths.
            options = [win_path(o) if os.path.isabs(o) else o for o in options]
            command = ['wine', os.path.join(self.win32_dir, 'mksfx.exe'), 'pack', '--stub',
                       win_path(self.stub)] + options
            archive, output_arg = win_path(archive), win_path(output)
        else:
            output_arg = output
        command += [substitute(option) for option in case.get('pack', [])]
        if 'info_file_size' in case:
            info = os.path.join(work, 'info.txt')
            with open(info, 'wb') as f:
                f.write(info_text(case['info_file_size']))
            command += ['--info-file', info]
        command += [archive, output_arg]
        result = subprocess.run(command, capture_output=True, text=True)
        if result.returncode != 0:
            raise CaseError('mksfx pack failed (%d): %s' % (result.returncode, result.stderr.strip()))
        with open(output, 'rb') as f:
            return f.read()


def has_dialog(stub_path, name):
    """Whether the PE image carries a dialog resource of that name (names
    compare without regard to case, as the resource loader compares)."""
    with open(stub_path, 'rb') as f:
        image = f.read()
    try:
        pe = struct.unpack_from('<I', image, 0x3C)[0]
        sections = struct.unpack_from('<H', image, pe + 6)[0]
        optional_size = struct.unpack_from('<H', image, pe + 20)[0]
        optional = pe + 24
        # Data directory 2 (resources) of a 32-bit optional header.
        rva = struct.unpack_from('<I', image, optional + 96 + 2 * 8)[0]
        if rva == 0:
            return False
        table = optional + optional_size
        for i in range(sections):
            _, vsize, vaddr, _, raw = struct.unpack_from('<8sIIII', image, table + 40 * i)
            if vaddr <= rva < vaddr + max(vsize, 1):
                root = raw + rva - vaddr
                break
        else:
            return False

        def entries(directory):
            named, ids = struct.unpack_from('<HH', image, directory + 12)
            for i in range(named + ids):
                key, target = struct.unpack_from('<II', image, directory + 16 + 8 * i)
                yield key, target

        def key_name(key):
            at = root + (key & 0x7FFFFFFF)
            length = struct.unpack_from('<H', image, at)[0]
            return image[at + 2:at + 2 + 2 * length].decode('utf-16-le')

        rt_dialog = 5
        for key, target in entries(root):
            if key == rt_dialog and target & 0x80000000:
                for name_key, _ in entries(root + (target & 0x7FFFFFFF)):
                    if name_key & 0x80000000 and key_name(name_key).upper() == name.upper():
                        return True
        return False
    except struct.error:
        return False
