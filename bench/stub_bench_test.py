#!/usr/bin/env python3
"""The stub benchmark's inputs: the sorted and shuffled small-file archives
hold the same entries (with their folders) in the two orders, and the floor
program's list makes the same files and folders as the archive."""

import os
import shutil
import sys
import tempfile
import unittest
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import stub_bench  # noqa: E402

FILES = {"tree/B.txt": b"bravo" * 100, "tree/a.txt": b"alpha", "tree/sub/c.bin": bytes(70000),
         "tree/sub/deeper/d.txt": b"", "top.txt": b"top"}


class StubBenchInputsTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="stub-bench-test-")
        self.source = os.path.join(self.dir, "source.zip")
        with zipfile.ZipFile(self.source, "w") as z:
            z.writestr("tree/", b"")
            for name, data in FILES.items():
                z.writestr(name, data)

    def tearDown(self):
        shutil.rmtree(self.dir)

    def small(self, count, shuffled):
        path = os.path.join(self.dir, "small-%d-%s.zip" % (count, shuffled))
        stub_bench.write_small_archive(self.source, count, shuffled, path)
        with zipfile.ZipFile(path) as z:
            return path, [(e.filename, z.read(e), e.flag_bits) for e in z.infolist()]

    def test_sorted_and_shuffled_hold_the_same_entries_and_folders(self):
        _, ordered = self.small(len(FILES), False)
        _, shuffled = self.small(len(FILES), True)
        names = [n for n, _, _ in ordered]
        self.assertEqual(names, ["top.txt", "tree/", "tree/a.txt", "tree/B.txt", "tree/sub/",
                                 "tree/sub/c.bin", "tree/sub/deeper/", "tree/sub/deeper/d.txt"])
        self.assertNotEqual([n for n, _, _ in shuffled], names)
        self.assertEqual(sorted(shuffled), sorted(ordered))
        self.assertEqual({n: d for n, d, _ in ordered if not n.endswith("/")}, FILES)
        # Sizes in the local headers: the walk finds the next header from them.
        self.assertFalse(any(flags & 0x08 for _, _, flags in ordered))

    def test_only_the_first_files_with_their_folders(self):
        _, two = self.small(2, False)
        self.assertEqual([n for n, _, _ in two], ["tree/", "tree/a.txt", "tree/B.txt"])

    def test_floor_list_makes_parents_first_and_every_file_with_its_size(self):
        path, _ = self.small(len(FILES), True)
        lines = stub_bench.floor_list(path).splitlines()
        made = set()
        files = {}
        for line in lines:
            kind, rest = line.split(" ", 1)
            if kind == "D":
                parent = rest.rpartition("\\")[0]
                self.assertTrue(not parent or parent in made, line)
                made.add(rest)
            else:
                size, name = rest.split(" ", 1)
                self.assertIn(name.rpartition("\\")[0] or "", made | {""}, line)
                files[name.replace("\\", "/")] = int(size)
        self.assertEqual(made, {"tree", "tree\\sub", "tree\\sub\\deeper"})
        self.assertEqual(files, {n: len(d) for n, d in FILES.items()})


class VerdictTest(unittest.TestCase):
    def test_a_net_time_within_the_start_up_noise_is_not_judged(self):
        # (runs, start-ups) of one program over three rounds; the start-ups
        # spread 0.04 s, so a net time is judged from 0.12 s.
        for runs, starts, judged in [
                ([0.30, 0.31, 0.29], [0.20, 0.24, 0.22], False),  # net 0.07 s
                ([0.38, 0.40, 0.42], [0.20, 0.24, 0.22], True),   # net 0.18 s
                ([0.33, 0.36, 0.34], [0.20, 0.24, 0.22], True),   # net 0.12 s, the limit
                ([0.15, 0.16, 0.17], [0.20, 0.24, 0.22], False)]:  # negative
            row = {"stub": runs, "stub-start": starts}
            self.assertEqual(stub_bench.measurable(row, "stub"), judged, runs)
            self.assertEqual(stub_bench.verdict(1.0, 1.5, judged),
                             "met" if judged else "too small to judge")


if __name__ == "__main__":
    unittest.main()
