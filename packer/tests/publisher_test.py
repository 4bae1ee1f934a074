#!/usr/bin/env python3
"""mksfx pack --icon and --version-info: wrestool (icoutils) gives back from
the self-extractor the icon given and a version block with the strings given;
info shows them; a .ico or KEY=VALUE that is wrong is refused and nothing is
written; --keep-settings keeps both; mksfx.exe under Wine writes the same
bytes (when MKSFX_EXE names it).  Signed by osslsigncode and run under Wine:
tests/e2e/cases/sfx-publisher-icon.toml."""

import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.join(HERE, '..', '..')
sys.path.insert(0, os.path.join(ROOT, 'tests', 'support'))

import test_icon  # noqa: E402

MKSFX = os.environ.get('MKSFX')
MKSFX_EXE = os.environ.get('MKSFX_EXE')
VERSION = {'FileDescription': 'Fleet Setup — Ωmega ☃', 'ProductName': 'Fleet', 'CompanyName': 'Vantor Tests',
           'LegalCopyright': '© 2024 Vantor', 'FileVersion': '2.5.0.17', 'ProductVersion': '2.5',
           'OriginalFilename': 'fleet-setup.exe'}
GOOD = test_icon.icon()
ONE = test_icon.icon(test_icon.IMAGES[:1])  # 16 x 16, its entry at 6, its bitmap at 22


def run(command, **kwargs):
    return subprocess.run(command, capture_output=True, **kwargs)


def patched(data, at, fmt, *values):
    data = bytearray(data)
    struct.pack_into(fmt, data, at, *values)
    return bytes(data)


def version_options(strings):
    return [a for k, v in strings.items() for a in ('--version-info', '%s=%s' % (k, v))]


@unittest.skipUnless(MKSFX and shutil.which('wrestool'), 'MKSFX is not set or wrestool (icoutils) is missing')
class PublisherResources(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix='mksfx-publisher-')
        os.makedirs(cls.path('src'))
        with open(cls.path('src', 'readme.txt'), 'wb') as f:
            f.write(b'Read me first.\r\n')
        cls.write('publisher.ico', GOOD)
        cls.sfx = cls.path('setup.exe')
        cls.pack(['--icon', cls.path('publisher.ico')] + version_options(VERSION), cls.sfx)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir)

    @classmethod
    def path(cls, *names):
        return os.path.join(cls.dir, *names)

    @classmethod
    def write(cls, name, data):
        with open(cls.path(name), 'wb') as f:
            f.write(data)
        return cls.path(name)

    @classmethod
    def pack(cls, options, output, source=None, env=None):
        result = run([MKSFX, 'pack'] + options + [source or cls.path('src'), output],
                     env=dict(os.environ, SOURCE_DATE_EPOCH='1700000000', **(env or {})))
        if result.returncode != 0:
            raise AssertionError('mksfx pack: ' + result.stderr.decode())

    def info(self, sfx):
        return json.loads(run([MKSFX, 'info', '--json', sfx]).stdout)

    def test_wrestool_gives_back_the_icon_and_the_version(self):
        group = run(['wrestool', '-x', '--type=14', '--name=MNICON', self.sfx]).stdout
        # wrestool 0.32.3 writes as many bytes more as the group resource is long.
        self.assertEqual(group[:len(GOOD)], GOOD)
        self.assertEqual(len(group) - len(GOOD), 6 + 14 * len(test_icon.IMAGES))
        version = run(['wrestool', '-x', '--raw', '--type=16', self.sfx]).stdout
        for key, value in VERSION.items():
            self.assertIn((key + '\0').encode('utf-16-le'), version)
            self.assertIn((value + '\0').encode('utf-16-le'), version)
        fixed = version.index(struct.pack('<I', 0xFEEF04BD))
        self.assertEqual(struct.unpack_from('<4I', version, fixed + 8), (0x20005, 0x11, 0x20005, 0))
        shown = self.info(self.sfx)
        with open(self.sfx, 'rb') as f:
            data = f.read()
        # No signature in front of the archive; one end record.
        self.assertEqual(data.find(b'PK\x03\x04'), shown['first_local_header'])
        self.assertEqual(data.count(b'PK\x05\x06'), 1)
        self.assertEqual([(i['width'], i['format']) for i in shown['icon']['images']],
                         [(16, 'bmp'), (32, 'bmp'), (48, 'bmp'), (256, 'png')])
        self.assertTrue(shown['icon']['publishers'])
        self.assertEqual(shown['version_info']['strings'], VERSION)
        self.assertEqual(shown['version_info']['file_version'], '2.5.0.17')
        text = run([MKSFX, 'info', self.sfx]).stdout.decode()
        self.assertIn("icon: the publisher's, 4 images: 16x16 32-bit, 32x32 8-bit, 48x48 32-bit, 256x256 PNG\n", text)
        self.assertIn('  FileDescription:    "Fleet Setup — Ωmega ☃"\n', text)
        self.assertIn('  numeric:            file 2.5.0.17, product 2.5.0.0\n', text)
        self.assertEqual(run([MKSFX, 'check', self.sfx]).returncode, 0)

    def test_wrong_icons_and_keys_are_refused(self):
        png_entry = 6 + 16 * 3
        rows = [  # name, the .ico's bytes or None, options, exit code, message
            ('empty', b'', [], 1, 'no icon header'),
            ('cursor', patched(ONE, 2, '<H', 2), [], 1, 'a cursor file'),
            ('no images', patched(ONE, 4, '<H', 0), [], 1, 'no images'),
            ('65 images', patched(ONE, 4, '<H', 65), [], 1, '65 images, more than 64'),
            ('directory cut short', ONE[:15], [], 1, 'its directory is cut short'),
            ('reserved byte', patched(ONE, 9, '<B', 1), [], 1, 'the reserved byte'),
            ('outside the file', patched(ONE, 6 + 12, '<I', 5000), [], 1, 'outside the file'),
            ('in the directory', patched(ONE, 6 + 12, '<I', 8), [], 1, 'outside the file or in its directory'),
            ('overlapping', patched(test_icon.icon(test_icon.IMAGES[:2]), 6 + 16 + 12, '<I', 38), [], 1, 'overlap'),
            ('png of another size', patched(GOOD, png_entry, '<BB', 48, 48), [], 1, 'a PNG image of another size'),
            ('bitmap height', patched(ONE, 22 + 8, '<i', 16), [], 1, 'a bitmap of another size'),
            ('bitmap cut short', patched(ONE, 6 + 8, '<I', 100)[:200], [], 1, 'a bitmap cut short'),
            ('neither', patched(ONE, 22, '<I', 12), [], 1, 'neither PNG nor a bitmap'),
            ('zip signature', patched(ONE, 22 + 40, '4s', b'PK\x05\x06'), [], 1,
             'puts a ZIP signature (PK\\5\\6) into'),
            ('unknown key', None, ['--version-info', 'Comments=x'], 2, 'unknown key "Comments"'),
            ('no value', None, ['--version-info', 'ProductName'], 2, 'give KEY=VALUE'),
            ('five parts', None, ['--version-info', 'FileVersion=1.2.3.4.5'], 2, '1 to 4 numbers'),
            ('part too large', None, ['--version-info', 'ProductVersion=1.65536'], 2, '1 to 4 numbers'),
            ('not UTF-8', None, ['--version-info', b'ProductName=\xff'], 1, 'ProductName: not valid UTF-8'),
            ('no block', GOOD, ['--no-block'], 2, '--icon grows the stub past 0x5400'),
        ]
        output = self.path('refused.exe')
        for name, ico, options, code, message in rows:
            with self.subTest(name):
                if ico is not None:
                    options = options + ['--icon', self.write('bad.ico', ico)]
                result = run([MKSFX, 'pack'] + options + [self.path('src'), output])
                self.assertEqual(result.returncode, code, result.stderr)
                self.assertIn(message, result.stderr.decode())
                if ico is not None and code == 1:
                    self.assertIn(self.path('bad.ico'), result.stderr.decode())
                self.assertFalse(os.path.exists(output))

    def test_keep_settings_keeps_the_icon_and_version_unless_given_anew(self):
        small = self.write('small.ico', ONE)
        changed = dict(VERSION, ProductName='Other')
        del changed['CompanyName']
        rows = [  # options, icon images (None: the stub's own), version strings
            (['--keep-settings'], 4, VERSION),
            (['--keep-settings', '--version-info', 'ProductName=Other', '--version-info', 'CompanyName='], 4, changed),
            (['--keep-settings', '--icon', small], 1, VERSION),
            ([], None, None),
        ]
        for options, images, strings in rows:
            with self.subTest(options=options):
                again = self.path('again.exe')
                self.pack(options, again, source=self.sfx)
                shown = self.info(again)
                self.assertEqual(len(shown['icon']['images']) if shown['icon']['publishers'] else None, images)
                self.assertEqual(shown['version_info'] and shown['version_info']['strings'], strings)
        self.pack(['--keep-settings'], self.path('kept.exe'), source=self.sfx)
        with open(self.sfx, 'rb') as a, open(self.path('kept.exe'), 'rb') as b:
            self.assertTrue(a.read() == b.read())

    def test_info_of_damaged_resources_says_so_and_goes_on(self):
        with open(self.sfx, 'rb') as f:
            data = f.read()
        directory = struct.unpack_from('<I', data, 0x3C)[0] + 24 + 96 + 8 * 2
        size = struct.unpack_from('<I', data, directory + 4)[0]
        root = 0x5400  # the new section's start: the root, then its first entry's id and directory
        rows = [  # where, what is written there, what info says
            (directory, (0x7FFF0000, size), 'the resource directory lies in no section'),
            (root + 16, (3, 0x8FFFFF00), 'the resource directory points outside its section'),
            (root + 16, (3, 0x80000000), 'the resource directory is not three levels deep'),
        ]
        for at, values, message in rows:
            with self.subTest(message):
                damaged = self.write('damaged.exe', patched(data, at, '<II', *values))
                result = run([MKSFX, 'info', damaged])
                self.assertEqual(result.returncode, 0, result.stderr)
                self.assertIn('icon and version: not read (%s)\n' % message, result.stdout.decode())
                self.assertEqual(self.info(damaged)['icon'], None)

    @unittest.skipUnless(MKSFX_EXE and os.path.exists(MKSFX_EXE or '') and shutil.which('wine'),
                         'mksfx.exe or wine is missing')
    def test_mksfx_exe_writes_the_same_bytes(self):
        output = self.path('wine.exe')
        command = [os.path.join(ROOT, 'scripts', 'wine-env'), 'run', '--', 'wine', MKSFX_EXE, 'pack', '--icon',
                   self.path('publisher.ico')] + version_options(VERSION) + [self.path('src'), output]
        result = run(command, env=dict(os.environ, SOURCE_DATE_EPOCH='1700000000'))
        self.assertEqual(result.returncode, 0, result.stderr)
        with open(self.sfx, 'rb') as a, open(output, 'rb') as b:
            self.assertTrue(a.read() == b.read())


if __name__ == '__main__':
    unittest.main()
