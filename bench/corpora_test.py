#!/usr/bin/env python3
"""Corpus generation: same sources give the same trees, every tree has the
size and shape asked for, and the cache makes only what is missing."""

import os
import shutil
import sys
import tempfile
import unittest
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import corpora  # noqa: E402

TINY = corpora.Scale(text_bytes=200000, text_files=2, binary_bytes=100000, small_files=30,
                     random_bytes=120000, random_files=3)


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def make_sources(root):
    """Text, ELF and small files, with decoys each generator must pass over."""
    for n in range(5):
        write(os.path.join(root, "text", "d%d" % (n % 2), "t%d.h" % n),
              (b"#define NAME_%d %d\n" % (n, n)) * (500 + 100 * n))
    write(os.path.join(root, "text", "binary.dat"), b"\0\1\2" * 1000)
    for n in range(8):
        size = corpora.BINARY_MIN_BYTES + 1000 * n
        write(os.path.join(root, "bin", "prog%d" % n), b"\x7fELF" + bytes([n]) * (size - 4))
    write(os.path.join(root, "bin", "script"), b"#!/bin/sh\n" * 5000)
    write(os.path.join(root, "bin", "tiny"), b"\x7fELF" + bytes(100))
    for n in range(40):
        write(os.path.join(root, "small", "s%02d" % (n // 10), "file %d?.py" % n),
              b"x = %d\n" % n * (200 + 50 * n))
    write(os.path.join(root, "small", "too-small"), b"x" * (corpora.SMALL_MIN_BYTES - 1))
    write(os.path.join(root, "small", "too-large"), b"x" * (corpora.SMALL_MAX_BYTES + 1))
    os.symlink(os.path.join(root, "small", "s00", "file 5?.py"), os.path.join(root, "small", "link"))
    return corpora.Sources(text=(os.path.join(root, "text"),),
                           binaries=(os.path.join(root, "bin"),),
                           small=(os.path.join(root, "small", "s01"), os.path.join(root, "small")))


def snapshot(tree):
    """{relative path: (bytes, mtime)} of every file and folder."""
    out = {}
    for folder, dirs, files in os.walk(tree):
        rel = os.path.relpath(folder, tree)
        out[os.path.normpath(rel) + "/"] = (None, os.stat(folder).st_mtime)
        for name in files:
            path = os.path.join(folder, name)
            with open(path, "rb") as f:
                out[os.path.normpath(os.path.join(rel, name))] = (f.read(), os.stat(path).st_mtime)
    return out


class CorporaTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="corpora-test-")
        self.sources = make_sources(os.path.join(self.dir, "sources"))

    def tearDown(self):
        shutil.rmtree(self.dir)

    def build(self, corpus, parent="a"):
        return corpora.build_tree(os.path.join(self.dir, parent), corpus, TINY, self.sources)

    def test_same_sources_give_the_same_tree(self):
        for corpus in corpora.CORPORA:
            with self.subTest(corpus=corpus):
                self.assertEqual(snapshot(self.build(corpus, "a")),
                                 snapshot(self.build(corpus, "b")))

    def test_every_file_and_folder_has_the_fixed_time(self):
        for corpus in corpora.CORPORA:
            times = {t for _, t in snapshot(self.build(corpus)).values()}
            self.assertEqual(times, {corpora.FIXED_MTIME}, corpus)

    def test_text_files_have_the_asked_size_and_only_text(self):
        files = {k: v[0] for k, v in snapshot(self.build("text")).items() if v[0] is not None}
        self.assertEqual(sorted(files), ["text-00.txt", "text-01.txt"])
        for data in files.values():
            self.assertEqual(len(data), TINY.text_bytes // TINY.text_files)
            self.assertNotIn(b"\0", data)
        # Sorted walk order is t0 t2 t4 t1 t3, about 60 KB: the text starts
        # over from the first source within the first file.
        self.assertTrue(files["text-00.txt"].startswith(b"#define NAME_0 0\n"))
        self.assertIn(b"#define NAME_3 3\n#define NAME_0 0\n", files["text-00.txt"])

    def test_binaries_are_whole_elf_files_until_the_total(self):
        files = {k: v[0] for k, v in snapshot(self.build("binaries")).items() if v[0] is not None}
        self.assertTrue(all(d.startswith(b"\x7fELF") for d in files.values()))
        self.assertGreaterEqual(sum(map(len, files.values())), TINY.binary_bytes)
        last_dropped = sum(map(len, files.values())) - max(map(len, files.values()))
        self.assertLess(last_dropped, TINY.binary_bytes)
        self.assertEqual(sorted(files), ["%04d-prog%d" % (n, n) for n in range(6)])

    def test_binaries_run_short_is_an_error(self):
        big = corpora.Scale(1, 1, 10 << 20, 1, 1, 1)
        with self.assertRaisesRegex(RuntimeError, "ELF"):
            corpora.build_tree(self.dir, "binaries", big, self.sources)

    def test_small_files_in_range_taken_once_per_folder_of_a_hundred(self):
        snap = snapshot(self.build("small"))
        files = {k: v[0] for k, v in snap.items() if v[0] is not None}
        self.assertEqual(len(files), TINY.small_files)
        sizes = [len(d) for d in files.values()]
        self.assertGreaterEqual(min(sizes), corpora.SMALL_MIN_BYTES)
        self.assertLessEqual(max(sizes), corpora.SMALL_MAX_BYTES)
        # s01 comes first and is met again under the second root: taken once.
        self.assertEqual(len(set(files.values())), len(files))
        names = sorted(files)
        self.assertEqual((names[0], names[10], names[-1]),
                         ("000/00000-file_10_.py", "000/00010-file_0_.py", "000/00029-file_29_.py"))
        self.assertTrue(all(k.startswith("000/") for k in names))

    def test_random_data_is_fixed_and_incompressible(self):
        files = {k: v[0] for k, v in snapshot(self.build("random")).items() if v[0] is not None}
        self.assertEqual(len(files), TINY.random_files)
        import zlib
        for data in files.values():
            self.assertEqual(len(data), TINY.random_bytes // TINY.random_files)
            self.assertGreater(len(zlib.compress(data, 6)), len(data))
        self.assertEqual(len(set(files.values())), TINY.random_files)

    def test_cache_makes_every_archive_once_and_only_what_is_missing(self):
        cache = os.path.join(self.dir, "cache")
        made = []
        archives = corpora.ensure_corpora(cache, TINY, self.sources, log=made.append)
        self.assertEqual(len(made), len(corpora.CORPORA))
        self.assertEqual(set(archives), {(c, v) for c in corpora.CORPORA for v in corpora.VARIANTS})
        self.assertEqual(sorted(os.listdir(os.path.join(cache, "custom"))),
                         sorted([corpora.MANIFEST] + [os.path.basename(p) for p in archives.values()]))
        for (corpus, variant), path in archives.items():
            with zipfile.ZipFile(path) as z:
                entries = [e for e in z.infolist() if not e.is_dir()]
                self.assertTrue(all(e.filename.startswith(corpus + "/") for e in entries))
                methods = {e.compress_type for e in entries}
                self.assertEqual(methods, {zipfile.ZIP_STORED} if variant == "stored"
                                 else {zipfile.ZIP_DEFLATED}, (corpus, variant))
                encrypted = {bool(e.flag_bits & 1) for e in entries}
                self.assertEqual(encrypted, {variant == "encrypted"}, (corpus, variant))
                if variant == "encrypted":
                    z.setpassword(corpora.PASSWORD.encode())
                self.assertIsNone(z.testzip())

        made.clear()
        corpora.ensure_corpora(cache, TINY, self.sources, log=made.append)
        self.assertEqual(made, [])

        stored = archives[("small", "stored")]
        before = os.path.getmtime(archives[("small", "deflate")])
        os.remove(stored)
        corpora.ensure_corpora(cache, TINY, self.sources, log=made.append)
        self.assertEqual(made, ["corpora: making custom/small (stored)"])
        self.assertTrue(os.path.exists(stored))
        self.assertEqual(os.path.getmtime(archives[("small", "deflate")]), before)


if __name__ == "__main__":
    unittest.main()
