#!/usr/bin/env python3
"""The extraction benchmark's guards: the output check catches every kind of
wrong output, a tool that writes wrong output or fails is not timed as a
success, and every tool's command line extracts plain and encrypted
archives.  MKSFX names the mksfx to run (skipped when unset)."""

import os
import shutil
import subprocess
import sys
import tempfile
import types
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import corpora  # noqa: E402
import extract_bench  # noqa: E402
import extract_tools  # noqa: E402

FILES = {
    "tree/a.txt": b"alpha\n" * 3000,
    "tree/sub/b.bin": bytes(range(256)) * 40,
    "tree/sub/deeper/c.txt": b"",
}


def make_archive(parent, name, options):
    for rel, data in FILES.items():
        path = os.path.join(parent, "src", rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
    out = os.path.join(parent, name)
    subprocess.run(["zip", "-q", "-r", "-X"] + options + [out, "tree"],
                   cwd=os.path.join(parent, "src"), check=True)
    return out


class Base(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="extract-tools-test-")
        self.plain = make_archive(self.dir, "plain.zip", ["-6"])
        self.encrypted = make_archive(self.dir, "encrypted.zip", ["-6", "-P", corpora.PASSWORD])
        self.files, self.folders = extract_tools.expected_files(self.plain)

    def tearDown(self):
        shutil.rmtree(self.dir)

    def fresh(self):
        return tempfile.mkdtemp(dir=self.dir)


class CheckOutputTest(Base):
    def extracted(self):
        out = self.fresh()
        subprocess.run(["unzip", "-qo", self.plain, "-d", out], check=True)
        return out

    def test_expected_files_come_from_the_central_directory(self):
        self.assertEqual({k: v[0] for k, v in self.files.items()},
                         {k: len(v) for k, v in FILES.items()})
        self.assertEqual(self.folders, {"tree", "tree/sub", "tree/sub/deeper"})

    def test_each_kind_of_wrong_output_is_named(self):
        def flip_byte(out):
            path = os.path.join(out, "tree/sub/b.bin")
            with open(path, "r+b") as f:
                f.seek(1000)
                byte = f.read(1)[0]
                f.seek(1000)
                f.write(bytes([byte ^ 1]))

        cases = [
            ("exact", lambda out: None, None),
            ("missing file", lambda out: os.remove(os.path.join(out, "tree/a.txt")),
             "1 files missing, e.g. tree/a.txt"),
            ("extra file", lambda out: open(os.path.join(out, "tree/x"), "w").close(),
             "1 unexpected files, e.g. tree/x"),
            ("missing folder with its file", lambda out: (
                os.remove(os.path.join(out, "tree/sub/deeper/c.txt")),
                os.rmdir(os.path.join(out, "tree/sub/deeper"))),
             "1 files missing, e.g. tree/sub/deeper/c.txt"),
            ("truncated", lambda out: os.truncate(os.path.join(out, "tree/a.txt"), 100),
             "tree/a.txt: 100 bytes, expected 18000"),
            ("one byte changed", flip_byte, "tree/sub/b.bin: CRC-32 differs"),
        ]
        for name, damage, expected in cases:
            with self.subTest(name):
                out = self.extracted()
                damage(out)
                self.assertEqual(extract_tools.check_output(out, self.files, self.folders),
                                 expected)

    def test_folder_entry_not_made(self):
        folders = self.folders | {"tree/empty"}
        self.assertEqual(extract_tools.check_output(self.extracted(), self.files, folders),
                         "1 folders missing, e.g. tree/empty")


class TimeCaseTest(Base):
    def case(self, archive, password=None):
        return types.SimpleNamespace(zip=archive, sfx=archive, password=password,
                                     files=self.files, folders=self.folders)

    def test_wrong_output_or_failure_is_not_timed(self):
        unzip = extract_tools.PEERS[0]
        corrupting = extract_tools.Tool(
            "corrupting", "sh", False,
            lambda a, out, pw: ["sh", "-c", 'unzip -qo "$0" -d "$1" && echo x >> "$1/tree/a.txt"',
                                a, out])
        failing = extract_tools.Tool(
            "failing", "sh", False,
            lambda a, out, pw: ["sh", "-c", "echo one >&2; echo two >&2; exit 3"])
        results = extract_bench.time_case(self.case(self.plain), [unzip, corrupting, failing],
                                          rounds=2, work=self.dir)
        self.assertEqual(len(results["unzip"]), 2)
        self.assertTrue(all(t.returncode == 0 and t.wall > 0 for t in results["unzip"]))
        self.assertEqual(results["corrupting"], "tree/a.txt: 18002 bytes, expected 18000")
        self.assertEqual(results["failing"], "exit 3: one | two")
        self.assertEqual(sorted(os.listdir(self.dir)), ["encrypted.zip", "plain.zip", "src"])


class ToolCommandTest(Base):
    def assert_extracts(self, tool, archive, source=None):
        password = corpora.PASSWORD if archive == self.encrypted else None
        out = self.fresh()
        t = extract_tools.run_timed(tool.argv(source or archive, out, password))
        self.assertEqual((t.returncode, t.error), (0, ""))
        self.assertIsNone(extract_tools.check_output(out, self.files, self.folders))

    def test_every_peer_extracts_plain_and_encrypted(self):
        for peer in extract_tools.PEERS:
            if not peer.available():
                continue
            for archive in (self.plain, self.encrypted):
                with self.subTest(peer=peer.name, archive=os.path.basename(archive)):
                    self.assert_extracts(peer, archive)

    def test_a_wrong_password_fails_every_tool(self):
        for peer in extract_tools.PEERS:
            if not peer.available():
                continue
            with self.subTest(peer=peer.name):
                out = self.fresh()
                t = extract_tools.run_timed(peer.argv(self.encrypted, out, "wrong"))
                self.assertTrue(t.returncode != 0 or
                                extract_tools.check_output(out, self.files, self.folders))

    @unittest.skipUnless(os.environ.get("MKSFX"), "MKSFX not set")
    def test_ours_extracts_the_self_extractor(self):
        mksfx = os.environ["MKSFX"]
        stub = extract_bench.stub_for(os.path.join(self.dir, "no-build"), self.dir)
        self.assertEqual(os.path.getsize(stub), extract_bench.STUB_BYTES)
        for archive in (self.plain, self.encrypted):
            with self.subTest(archive=os.path.basename(archive)):
                sfx = archive[:-4] + ".exe"
                subprocess.run([mksfx, "pack", "--stub", stub, archive, sfx], check=True,
                               stdout=subprocess.DEVNULL)
                self.assert_extracts(extract_tools.our_tool(mksfx), archive, source=sfx)


if __name__ == "__main__":
    unittest.main()
