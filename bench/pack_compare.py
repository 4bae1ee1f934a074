#!/usr/bin/env python3
"""Compression and packing time of mksfx beside Info-ZIP zip -9 and
7-Zip's ZIP writer at -mx9, on the benchmark corpora (corpora.py), in one
run.

    bench/pack_compare.py [--build DIR] [--quick] [--workdir DIR] [--level N]...

Each corpus tree is written once under --workdir (default: a folder in
/dev/shm, so that the disk does not time itself), then packed by each tool
from inside the tree's parent, as a user would.  Sizes are bytes of the
output; for zip and 7z the self-extractor would be the stub (padded to
0x5400 = 21,504 bytes) plus a 12-byte block plus their archive, so that sum
is what mksfx's self-extractor is compared with.  Times are wall-clock
seconds of one run each on a shared machine: read them as rough.
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import corpora  # noqa: E402

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
# What a self-extractor adds to an archive: the padded stub and an empty block.
SFX_OVERHEAD = 0x5400 + 12


def timed(command, cwd):
    start = time.perf_counter()
    subprocess.run(command, cwd=cwd, check=True, stdout=subprocess.DEVNULL)
    return time.perf_counter() - start


def tree_bytes(tree):
    return sum(os.path.getsize(os.path.join(d, f)) for d, _, fs in os.walk(tree) for f in fs)


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--build", default=os.path.join(ROOT, "build", "host"))
    p.add_argument("--quick", action="store_true", help="the small corpora")
    p.add_argument("--workdir", help="where trees and outputs go (default: in /dev/shm)")
    p.add_argument("--level", action="append", type=int,
                   help="mksfx levels to run (default: its default level only)")
    args = p.parse_args()
    mksfx = os.path.join(args.build, "mksfx")
    stub = os.path.join(os.path.dirname(args.build), "win32", "sfxstub.exe")
    work = args.workdir or tempfile.mkdtemp(prefix="pack-compare-", dir="/dev/shm")
    scale = corpora.SCALES["quick" if args.quick else "full"]
    levels = args.level or [None]
    rows = []
    try:
        for corpus in corpora.CORPORA:
            tree = corpora.build_tree(work, corpus, scale, corpora.Sources())
            size = tree_bytes(tree)
            results = []
            out = os.path.join(work, "out")
            for name, command in [
                ("zip -9", ["zip", "-q", "-r", "-X", "-9", out + ".zip", corpus]),
                ("7z -mx9", ["7z", "a", "-bd", "-tzip", "-mx9", out + ".7z.zip", corpus]),
            ]:
                target = command[5]
                seconds = timed(command, work)
                results.append((name, os.path.getsize(target) + SFX_OVERHEAD, seconds))
                os.remove(target)
            for level in levels:
                option = ["-%d" % level] if level else []
                target = out + ".exe"
                seconds = timed([mksfx, "pack", "--stub", stub] + option + [corpus, target], work)
                results.append(("mksfx" + (" -%d" % level if level else ""),
                                os.path.getsize(target), seconds))
                os.remove(target)
            rows.append((corpus, size, results))
            shutil.rmtree(tree)
    finally:
        if not args.workdir:
            shutil.rmtree(work, ignore_errors=True)

    print("corpus     input MB  tool          self-extractor bytes  vs zip -9   seconds   MB/s")
    for corpus, size, results in rows:
        base = results[0][1]
        for name, total, seconds in results:
            print("%-9s %9.1f  %-12s %21d  %+8.2f%%  %8.2f  %6.1f" % (
                corpus, size / 1e6, name, total, (total - base) * 100.0 / base, seconds,
                size / 1e6 / seconds))
    return 0


if __name__ == "__main__":
    sys.exit(main())
