#!/usr/bin/env python3
"""Self-extractors signed by osslsigncode with certificates made for the run
(tests/support/authenticode.py): the signature checks, and mksfx info, check
and extract, unzip and 7z read the archive in front of the certificate
table, also after signing again, a nested signature and a time stamp; an
archive planted in the table after signing leaves the signature valid and
is never taken.  MKSFX names the mksfx to run (skipped when unset); it packs
with the stub of its own build, the one built into it."""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, '..', '..', 'tests', 'support'))

import authenticode  # noqa: E402

MKSFX = os.environ.get('MKSFX')
SOURCE = {
    'readme.txt': b'Read me first.\r\n',
    'bin/data.bin': bytes(range(256)) * 50,
    'bin/notes.txt': b'notes, notes, notes\r\n' * 40,
}


def run(command):
    return subprocess.run(command, capture_output=True, text=True)


@unittest.skipUnless(MKSFX, 'MKSFX is not set')
class SignedSelfExtractors(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix='mksfx-signing-')
        cls.signer = authenticode.Signer(os.path.join(cls.dir, 'certificates'))
        for name, data in SOURCE.items():
            path = os.path.join(cls.dir, 'src', name)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, 'wb') as f:
                f.write(data)
        cls.unsigned = os.path.join(cls.dir, 'unsigned.exe')
        packed = run([MKSFX, 'pack', '--caption', 'Signed', os.path.join(cls.dir, 'src'), cls.unsigned])
        if packed.returncode != 0:
            raise AssertionError('mksfx pack: ' + packed.stderr)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir)

    def signed(self, steps):
        path = os.path.join(self.dir, '-'.join(steps) + '.exe')
        shutil.copyfile(self.unsigned, path)
        self.signer.sign(path, steps)
        return path

    def assertReadAsPacked(self, sfx, peers=True):
        """info, check and extract of mksfx (and with `peers` unzip and 7z)
        find the packed entries and nothing else."""
        info = run([MKSFX, 'info', sfx])
        self.assertEqual(info.returncode, 0, info.stderr)
        self.assertIn('entries: %d\n' % len(SOURCE), info.stdout)
        self.assertNotIn(authenticode.PLANTED_NAME, info.stdout)
        check = run([MKSFX, 'check', sfx])
        self.assertEqual(check.returncode, 0, check.stdout + check.stderr)
        out = tempfile.mkdtemp(dir=self.dir)
        extract = run([MKSFX, 'extract', '-q', sfx, out])
        self.assertEqual(extract.returncode, 0, extract.stdout + extract.stderr)
        found = {}
        for base, _, files in os.walk(out):
            for name in files:
                with open(os.path.join(base, name), 'rb') as f:
                    found[os.path.relpath(os.path.join(base, name), out)] = f.read()
        self.assertEqual(found, SOURCE)
        for command in (['unzip', '-tq', sfx], ['7z', 't', sfx]) if peers else ():
            result = run(command)
            self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        return info.stdout

    def test_every_signature_leaves_the_archive_readable(self):
        rows = [  # steps, signatures verified
            (['rsa2048'], 1),
            (['rsa4096'], 1),
            (['rsa4096', 'rsa2048'], 1),
            (['rsa2048', 'nest-rsa4096'], 2),
            (['timestamp-rsa2048'], 1),
        ]
        for steps, count in rows:
            with self.subTest(steps=steps):
                sfx = self.signed(steps)
                self.assertEqual(self.signer.verify(sfx), count)
                with open(sfx, 'rb') as f:
                    pos, size = authenticode.certificate_table(f.read())
                # The signer needed no padding: the table starts where the
                # packed file ended.
                self.assertEqual(pos, os.path.getsize(self.unsigned))
                info = self.assertReadAsPacked(sfx)
                self.assertIn('signed: certificate table at 0x%X, %d bytes;' % (pos, size), info)

    def test_an_archive_planted_in_the_table_is_never_taken(self):
        sfx = self.signed(['rsa2048', 'plant'])
        self.assertEqual(self.signer.verify(sfx), 1)
        # A reader that ignores the table takes the planted archive.
        listed = run(['unzip', '-l', sfx])
        self.assertIn(authenticode.PLANTED_NAME, listed.stdout)
        self.assertNotIn('readme.txt', listed.stdout)
        self.assertReadAsPacked(sfx, peers=False)

    def test_packing_a_signed_self_extractor_again_gives_it_unsigned(self):
        sfx = self.signed(['rsa4096', 'nest-rsa2048'])
        again = os.path.join(self.dir, 'again.exe')
        packed = run([MKSFX, 'pack', '--keep-settings', sfx, again])
        self.assertEqual(packed.returncode, 0, packed.stderr)
        self.assertIn(': signed (certificate table at', packed.stderr)
        with open(again, 'rb') as a, open(self.unsigned, 'rb') as b:
            self.assertTrue(a.read() == b.read())


if __name__ == '__main__':
    unittest.main()
