"""Authenticode signatures for the tests: certificates that openssl makes for
the run, signatures that osslsigncode makes and checks.  The one place that
signs, for the host signing tests (packer/tests/signing_test.py) and the
end-to-end cases (tests/e2e/programs.py, the case key `sign`).

A file is signed by steps, applied in order:

    "rsa2048", "rsa4096"   a signature by a self-signed publisher certificate
                           with an RSA key of that size, SHA-256; it replaces
                           any signature the file has (signing again)
    "timestamp-rsa2048"    the same, counter-signed at the current time by the
                           run's own time-stamping authority (osslsigncode's
                           built-in TSA: -TSA-certs, -TSA-key, -TSA-time)
    "nest-rsa2048"         a further signature nested beside those there
    "plant"                a ZIP archive holding PLANTED_NAME hidden in the
                           certificate table after signing: the table's
                           WIN_CERTIFICATE length and the security directory's
                           size grow to hold it, so the signature stays valid;
                           its offsets count from the file's start and its end
                           record ends the file, so a reader that ignored the
                           table would take it
"""

import os
import struct
import subprocess
import time
import zlib

PLANTED_NAME = 'planted.txt'
PLANTED_DATA = b'not from the publisher\r\n'

# The PE facts a signer works with (offsets in bytes, little-endian): the
# DOS header's pointer to the PE signature; the security directory behind
# the signature in a 32-bit and a 64-bit optional header; the table's
# alignment.
NEW_HEADER_AT = 0x3C
SECURITY_DIRECTORY_AT = {0x10B: 24 + 96 + 32, 0x20B: 24 + 112 + 32}
TABLE_ALIGNMENT = 8

PUBLISHER_KEYS = {'rsa2048': 2048, 'rsa4096': 4096}
TSA = 'tsa'
# Certificates last well past any test run.
CERTIFICATE_DAYS = 3650

# openssl req -addext values per certificate kind.
PUBLISHER_EXTENSIONS = ['keyUsage=critical,digitalSignature', 'extendedKeyUsage=codeSigning']
TSA_EXTENSIONS = ['basicConstraints=critical,CA:FALSE', 'keyUsage=critical,digitalSignature',
                  'extendedKeyUsage=critical,timeStamping']


class SigningError(Exception):
    """A certificate, a signature or its check failed; the tool's output."""


def security_directory_at(data):
    """The file position of the security directory's entry (position, size)."""
    pe = struct.unpack_from('<I', data, NEW_HEADER_AT)[0]
    if data[pe:pe + 4] != b'PE\0\0':
        raise SigningError('not a Windows image')
    magic = struct.unpack_from('<H', data, pe + 24)[0]
    if magic not in SECURITY_DIRECTORY_AT:
        raise SigningError('unknown optional header magic 0x%X' % magic)
    return pe + SECURITY_DIRECTORY_AT[magic]


def certificate_table(data):
    """(position, size) of the certificate table the image names; (0, 0)
    when unsigned."""
    return struct.unpack_from('<II', data, security_directory_at(data))


def stored_archive(base, name, content, align):
    """One stored entry with offsets counted from `base`, its comment
    padded so that the archive's length is a multiple of `align`."""
    crc = zlib.crc32(content)
    dos_time, dos_date = 0x6000, 0x52CF  # 2021-06-15 12:00
    local = struct.pack('<IHHHHHIIIHH', 0x04034B50, 10, 0, 0, dos_time, dos_date, crc,
                        len(content), len(content), len(name), 0) + name + content
    central = struct.pack('<IHHHHHHIIIHHHHHII', 0x02014B50, 20, 10, 0, 0, dos_time, dos_date, crc,
                          len(content), len(content), len(name), 0, 0, 0, 0, 0, base) + name
    length = len(local) + len(central) + 22
    comment = b'\0' * (-length % align)
    end = struct.pack('<IHHHHIIH', 0x06054B50, 0, 0, 1, 1, len(central), base + len(local),
                      len(comment)) + comment
    return local + central + end


def plant_archive(data):
    """The signed image `data` with an archive hidden in its table."""
    data = bytearray(data)
    directory = security_directory_at(data)
    pos, size = struct.unpack_from('<II', data, directory)
    if not pos or pos + size != len(data):
        raise SigningError('the certificate table does not end the file')
    planted = stored_archive(len(data), PLANTED_NAME.encode(), PLANTED_DATA, TABLE_ALIGNMENT)
    struct.pack_into('<II', data, directory, pos, size + len(planted))
    # The first WIN_CERTIFICATE's dwLength: the table holds one.
    struct.pack_into('<I', data, pos, struct.unpack_from('<I', data, pos)[0] + len(planted))
    return bytes(data) + planted


def run(command):
    result = subprocess.run(command, capture_output=True, text=True)
    if result.returncode != 0:
        raise SigningError('%s failed (%d):\n%s%s' % (' '.join(command[:2]), result.returncode,
                                                      result.stdout, result.stderr))
    return result.stdout


class Signer:
    """Signs files with certificates made once into `folder`."""

    def __init__(self, folder):
        self.folder = folder
        os.makedirs(folder, exist_ok=True)

    def _certificate(self, kind):
        """(certificate, key) paths of a publisher key size or the TSA."""
        cert = os.path.join(self.folder, kind + '.pem')
        key = os.path.join(self.folder, kind + '.key')
        if not os.path.exists(cert):
            bits = PUBLISHER_KEYS.get(kind, 2048)
            extensions = TSA_EXTENSIONS if kind == TSA else PUBLISHER_EXTENSIONS
            command = ['openssl', 'req', '-x509', '-newkey', 'rsa:%d' % bits, '-sha256', '-nodes',
                       '-keyout', key, '-out', cert, '-days', str(CERTIFICATE_DAYS),
                       '-subj', '/CN=Vantor test %s' % kind]
            for extension in extensions:
                command += ['-addext', extension]
            run(command)
        return cert, key

    def _publishers(self):
        """Every publisher certificate made so far, in one file: the trust
        anchors of a check."""
        bundle = os.path.join(self.folder, 'publishers.pem')
        with open(bundle, 'w') as out:
            for kind in sorted(PUBLISHER_KEYS):
                path = os.path.join(self.folder, kind + '.pem')
                if os.path.exists(path):
                    with open(path) as f:
                        out.write(f.read())
        return bundle

    def sign(self, path, steps):
        """Applies `steps` to the file at `path` in place."""
        for step in steps:
            if step == 'plant':
                with open(path, 'rb') as f:
                    data = plant_archive(f.read())
                with open(path, 'wb') as f:
                    f.write(data)
                continue
            kind = step.split('-')[-1]
            if kind not in PUBLISHER_KEYS or step not in (kind, 'nest-' + kind, 'timestamp-' + kind):
                raise SigningError('unknown signing step %r' % step)
            cert, key = self._certificate(kind)
            command = ['osslsigncode', 'sign', '-certs', cert, '-key', key, '-h', 'sha256',
                       '-n', 'Vantor test']
            if step.startswith('nest-'):
                command.append('-nest')
            if step.startswith('timestamp-'):
                tsa_cert, tsa_key = self._certificate(TSA)
                command += ['-TSA-certs', tsa_cert, '-TSA-key', tsa_key,
                            '-TSA-time', str(int(time.time()))]
            signed = path + '.signed'
            if os.path.exists(signed):
                os.remove(signed)
            run(command + ['-in', path, '-out', signed])
            os.replace(signed, path)

    def verify(self, path):
        """The number of signatures osslsigncode verifies in the file, every
        one and every time stamp with it; SigningError when any fails."""
        tsa_cert, _ = self._certificate(TSA)
        output = run(['osslsigncode', 'verify', '-CAfile', self._publishers(),
                      '-TSA-CAfile', tsa_cert, '-in', path])
        # verify exits 0 even when a time stamp's check fails.
        failed = [line.strip() for line in output.splitlines() if 'verification: failed' in line]
        counts = [line for line in output.splitlines()
                  if line.startswith('Number of verified signatures: ')]
        if failed or not counts:
            raise SigningError('osslsigncode verify: %s\n%s' % ('; '.join(failed), output))
        return int(counts[-1].split(': ')[1])
