#!/usr/bin/env python3
"""Extraction speed of the engine (mksfx extract: the stub's own start-up and
walk on the Linux stand-in) beside unzip, 7z, bsdtar and Python's zipfile,
on the same archives in one run.

Every tool extracts into a fresh empty folder under the work folder (tmpfs
when /dev/shm can take it, to keep the disk out of the figures).  Tools are
interleaved: each round runs every tool once, starting one tool later than
the round before, so that load from other users of the machine falls on all
alike.  The first round's output of every tool is checked against the
archive (names, sizes, CRC-32); a tool that fails or writes wrong output is
shown as FAILED and left out of the comparisons.  MB/s counts uncompressed
output bytes, MB = 1,000,000 bytes.

  bench/extract_bench.py --build build/host [--quick] [--rounds N]
"""

import argparse
import math
import os
import shutil
import statistics
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import corpora  # noqa: E402
import extract_tools  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
# The stub occupies the first 0x5400 bytes of a self-extractor; a stand-in of
# that size serves when no Windows build is at hand (the engine reads only
# what follows it).
STUB_BYTES = 0x5400
TMPFS = "/dev/shm"
# Work space on tmpfs: the largest archive, its self-extractor and one output
# tree at a time, with room to spare.
TMPFS_NEEDED_BYTES = 1 << 30
DEFAULT_ROUNDS = 3
BYTES_PER_MB = 1e6
# Python's zipfile decrypts in Python at about 1.5 MB/s: a full-size
# encrypted corpus would take most of the run's time budget.
SLOW_DECRYPTION_TOOLS = ("python",)


def parse_args(argv):
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--build", default=os.path.join(ROOT, "build", "host"),
                   help="host build tree holding mksfx (default: build/host)")
    p.add_argument("--corpora", default=os.path.join(ROOT, "build", "bench-corpora"),
                   help="cache of generated archives (default: build/bench-corpora)")
    p.add_argument("--quick", action="store_true", help="small corpora (about a tenth)")
    p.add_argument("--rounds", type=int, default=DEFAULT_ROUNDS)
    p.add_argument("--corpus", action="append", choices=corpora.CORPORA,
                   help="only this corpus (repeatable)")
    p.add_argument("--variant", action="append", choices=list(corpora.VARIANTS),
                   help="only this archive variant (repeatable)")
    p.add_argument("--tool", action="append",
                   help="only this peer (repeatable): unzip, 7z, bsdtar, python")
    p.add_argument("--python-encrypted", action="store_true",
                   help="time Python's zipfile on encrypted archives too (slow)")
    p.add_argument("--workdir", help="where archives are copied and extracted")
    args = p.parse_args(argv)
    if args.rounds < 1:
        p.error("--rounds must be at least 1")
    return args


def choose_workdir(requested, build):
    if requested:
        os.makedirs(requested, exist_ok=True)
        return requested, "as requested"
    if os.access(TMPFS, os.W_OK) and shutil.disk_usage(TMPFS).free >= TMPFS_NEEDED_BYTES:
        return TMPFS, "tmpfs"
    return build, "disk (no tmpfs with %d MiB free)" % (TMPFS_NEEDED_BYTES >> 20)


def stub_for(build, work):
    real = os.path.join(os.path.dirname(os.path.abspath(build)), "win32", "sfxstub.exe")
    if os.path.isfile(real):
        return real
    fake = os.path.join(work, "stub.exe")
    with open(fake, "wb") as f:
        f.write(b"MZ" + bytes(STUB_BYTES - 2))
    return fake


class Case:
    """One archive: its copy in the work folder, its self-extractor and what
    every tool must write."""

    def __init__(self, corpus, variant, archive, work, mksfx, stub):
        self.corpus, self.variant = corpus, variant
        self.password = corpora.PASSWORD if variant == "encrypted" else None
        self.zip = os.path.join(work, os.path.basename(archive))
        shutil.copyfile(archive, self.zip)
        self.sfx = self.zip[:-4] + ".exe"
        packed = extract_tools.run_timed([mksfx, "pack", "--stub", stub, self.zip, self.sfx])
        if packed.returncode != 0:
            raise RuntimeError("mksfx pack %s: %s" % (self.zip, packed.error))
        self.files, self.folders = extract_tools.expected_files(self.zip)
        self.output_bytes = sum(size for size, _ in self.files.values())

    def remove(self):
        for p in (self.zip, self.sfx):
            if os.path.exists(p):
                os.remove(p)


def time_case(case, tools, rounds, work):
    """{tool name: [Timed...] or an error text}"""
    results = {t.name: [] for t in tools}
    for r in range(rounds):
        for i in range(len(tools)):
            tool = tools[(r + i) % len(tools)]
            if isinstance(results[tool.name], str):
                continue
            out = tempfile.mkdtemp(prefix="out-%s-" % tool.name, dir=work)
            source = case.sfx if tool.reads_sfx else case.zip
            t = extract_tools.run_timed(tool.argv(source, out, case.password))
            problem = None
            if t.returncode != 0:
                problem = "exit %d: %s" % (t.returncode, t.error)
            elif r == 0:
                problem = extract_tools.check_output(out, case.files, case.folders)
            shutil.rmtree(out)
            if problem:
                results[tool.name] = problem
            else:
                results[tool.name].append(t)
    return results


def print_case(case, tools, results, skipped, ratios):
    mb = case.output_bytes / BYTES_PER_MB
    print("\n%s / %s: %d files, %.1f MB out, archive %.1f MB" % (
        case.corpus, case.variant, len(case.files), mb, os.path.getsize(case.zip) / BYTES_PER_MB))
    ours = results.get("ours")
    ours_ok = isinstance(ours, list) and ours
    ours_best = min(t.wall for t in ours) if ours_ok else None
    ours_cpu = statistics.median(t.cpu for t in ours) if ours_ok else None
    for tool in tools:
        r = results[tool.name]
        if isinstance(r, str):
            print("  %-7s FAILED: %s" % (tool.name, r))
            continue
        walls = sorted(t.wall for t in r)
        best, median = walls[0], statistics.median(walls)
        cpu = statistics.median(t.cpu for t in r)
        ratio = best / ours_best if ours_best else float("nan")
        cpu_ratio = cpu / ours_cpu if ours_cpu else float("nan")
        if tool.name != "ours" and ours_best:
            ratios.setdefault(tool.name, []).append((ratio, cpu_ratio))
        print("  %-7s %9.1f %9.1f %8.3f %8.3f %8.3f %9.2f %8.2f" % (
            tool.name, mb / best, mb / median, best, median, cpu, ratio, cpu_ratio))
    for name, why in skipped:
        print("  %-7s skipped: %s" % (name, why))


def geometric_mean(values):
    values = list(values)
    return math.exp(sum(math.log(v) for v in values) / len(values))


def print_header(rounds):
    print("  (best and median of %d rounds, wall clock; peer/ours: the peer's best time\n"
          "   over ours, above 1 means ours is faster; cpu s: median user+system seconds\n"
          "   of the tool's processes; cpu p/o: the peer's over ours)" % rounds)
    print("  %-7s %9s %9s %8s %8s %8s %9s %8s" % (
        "tool", "MB/s best", "MB/s med", "best s", "med s", "cpu s", "peer/ours", "cpu p/o"))


def main(argv):
    args = parse_args(argv)
    mksfx = os.path.join(args.build, "mksfx")
    if not os.access(mksfx, os.X_OK):
        sys.exit("extract_bench: %s is missing (make host)" % mksfx)
    tools = [extract_tools.our_tool(os.path.abspath(mksfx))]
    for peer in extract_tools.PEERS:
        if args.tool and peer.name not in args.tool:
            continue
        if peer.available():
            tools.append(peer)
        else:
            print("extract_bench: %s not found; left out" % peer.program)
    scale = "quick" if args.quick else "full"
    archives = corpora.ensure_corpora(args.corpora, scale)

    base, kind = choose_workdir(args.workdir, args.build)
    work = tempfile.mkdtemp(prefix="vantor-bench-", dir=base)
    print("\nExtraction: %s corpora, %d rounds, tools interleaved in every round (each round\n"
          "starts one tool later) so that load from other users hits all alike; output\n"
          "into a fresh folder on %s (%s); first round's output checked by CRC-32." % (
              scale, args.rounds, kind, work))
    print_header(args.rounds)
    started = time.perf_counter()
    ratios = {}
    ours_failed = []
    try:
        stub = stub_for(args.build, work)
        for corpus in args.corpus or corpora.CORPORA:
            for variant in args.variant or corpora.VARIANTS:
                case = Case(corpus, variant, archives[(corpus, variant)], work, mksfx, stub)
                try:
                    timed, skipped = [], []
                    for t in tools:
                        if (case.password and t.name in SLOW_DECRYPTION_TOOLS
                                and not args.python_encrypted):
                            skipped.append((t.name, "decrypts at ~1.5 MB/s "
                                            "(--python-encrypted times it)"))
                        else:
                            timed.append(t)
                    results = time_case(case, timed, args.rounds, work)
                    print_case(case, timed, results, skipped, ratios)
                    if isinstance(results["ours"], str):
                        ours_failed.append("%s/%s" % (corpus, variant))
                    sys.stdout.flush()
                finally:
                    case.remove()
    finally:
        shutil.rmtree(work, ignore_errors=True)

    print("\nGeometric means over all archives (above 1: ours faster):")
    for name, values in ratios.items():
        print("  %-7s peer/ours %.2f, cpu p/o %.2f  (%d archives)" % (
            name, geometric_mean(v[0] for v in values), geometric_mean(v[1] for v in values),
            len(values)))
    print("Extraction benchmark took %.0f s." % (time.perf_counter() - started))
    if ours_failed:
        print("extract_bench: the engine failed on %s" % ", ".join(ours_failed))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
