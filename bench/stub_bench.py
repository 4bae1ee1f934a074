#!/usr/bin/env python3
"""The real stub under Wine: self-extractors packed with AutoExtract run by
`wine`, beside `mksfx extract` (the same start-up and walk on the Linux
stand-in) and beside bench/floor_win32.cpp, a Win32 program that makes only
the file calls of the same extraction (create, write in 32 KiB pieces, set
time, close, and the folders) under the same Wine.

Cases: the 64 MiB deflated text and binaries and the stored text of the
extraction corpora, 5,000 small files in sorted and in shuffled order, and a
tiny archive of one file whose time is the start-up (Wine's process start,
the stub finding its archive, the hidden dialog).  The floor program's
--hold mode runs throughout, so that Wine's desktop process stays up as
Windows' does instead of starting anew for every run.

Every run writes into a fresh folder on tmpfs.  Tools take turns in every
round, one tool later each round.  A first, untimed round warms the caches
and checks the output of the stub and of mksfx against the archive (names,
sizes, CRC-32); a failed or wrong run is shown as FAILED.  Run it inside scripts/wine-env (bench/run does):

  scripts/wine-env run -- bench/stub_bench.py [--quick] [--rounds N] [--case NAME]
"""

import argparse
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import corpora  # noqa: E402
import extract_tools  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TMPFS = "/dev/shm"
DEFAULT_ROUNDS = 3
BYTES_PER_MB = 1e6
# Small-file cases: as many files as an installer of a large program.
SMALL_FILES = {"full": 5000, "quick": 1000}
SHUFFLE_SEED = 20240101
DEFLATE_LEVEL = 6
TINY_BYTES = 1024
# The stub's time less its start-up, over mksfx extract's, on the large
# archives; the stub over the floor on small files; shuffled over sorted.
GOAL_LARGE = 1.5
GOAL_SMALL = 1.3
GOAL_UNSORTED = 1.1
# Seconds for Wine's desktop process to come up beside the holder.
HOLD_SETTLE_SECONDS = 2
# A run still going after this many seconds is taken as stuck: under
# AutoExtract a failure is still reported in a message box that waits for a
# click nobody gives.
RUN_LIMIT_SECONDS = 300
LARGE = ("text-deflate", "binaries-deflate", "text-stored")


def wine_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def entry_order(names, shuffled):
    """Sorted as the stub's sorted list box orders them (without regard to
    case), or shuffled with a fixed seed."""
    ordered = sorted(names, key=lambda n: (n.lower(), n))
    if shuffled:
        random.Random(SHUFFLE_SEED).shuffle(ordered)
    return ordered


def write_small_archive(source, count, shuffled, out_path):
    """The first `count` files of `source` (a zip), with the folders above
    them as folder entries, deflated again into out_path in sorted or
    shuffled order.  Local headers carry the sizes (no data descriptors)."""
    with zipfile.ZipFile(source) as z:
        files = [e for e in z.infolist() if not e.is_dir()][:count]
        data = {e.filename: z.read(e) for e in files}
    folders = set()
    for name in data:
        parts = name.split("/")[:-1]
        for i in range(1, len(parts) + 1):
            folders.add("/".join(parts[:i]) + "/")
    partial = out_path + ".partial"
    with zipfile.ZipFile(partial, "w", zipfile.ZIP_DEFLATED, compresslevel=DEFLATE_LEVEL) as z:
        for name in entry_order(list(data) + sorted(folders), shuffled):
            info = zipfile.ZipInfo(name, date_time=(2024, 1, 1, 12, 0, 0))
            if name.endswith("/"):
                z.writestr(info, b"")
            else:
                info.compress_type = zipfile.ZIP_DEFLATED
                z.writestr(info, data[name])
    os.replace(partial, out_path)


def write_tiny_archive(out_path):
    with zipfile.ZipFile(out_path, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr(zipfile.ZipInfo("tiny.txt", date_time=(2024, 1, 1, 12, 0, 0)),
                   b"start-up only\r\n" * (TINY_BYTES // 16))


def floor_list(archive):
    """The floor program's list: every folder the extraction makes (parents
    first, where the walk first needs it) and every file with its size, in
    archive order, names with "\\"."""
    lines, made = [], set()
    with zipfile.ZipFile(archive) as z:
        for e in z.infolist():
            parts = e.filename.rstrip("/").split("/")
            folders = parts if e.is_dir() else parts[:-1]
            for i in range(1, len(folders) + 1):
                folder = "\\".join(folders[:i])
                if folder not in made:
                    made.add(folder)
                    lines.append("D " + folder)
            if not e.is_dir():
                lines.append("F %d %s" % (e.file_size, "\\".join(parts)))
    return "\n".join(lines) + "\n"


def ensure_archives(cache, scale):
    """{case name: archive path}: the extraction corpora's archives and the
    small and tiny archives made here (cached beside them)."""
    corpus = corpora.ensure_corpora(cache, scale)
    folder = os.path.join(cache, scale)
    archives = {
        "tiny": os.path.join(folder, "stub-tiny.zip"),
        "text-deflate": corpus[("text", "deflate")],
        "binaries-deflate": corpus[("binaries", "deflate")],
        "text-stored": corpus[("text", "stored")],
    }
    if not os.path.exists(archives["tiny"]):
        write_tiny_archive(archives["tiny"])
    count = SMALL_FILES[scale]
    for order, shuffled in (("sorted", False), ("unsorted", True)):
        path = os.path.join(folder, "stub-small%d-%s.zip" % (count, order))
        if not os.path.exists(path):
            print("stub_bench: making %s" % os.path.basename(path))
            write_small_archive(corpus[("small", "deflate")], count, shuffled, path)
        archives["small-" + order] = path
    return archives


class Case:
    """One archive: its self-extractor, packed to extract at once into a
    fixed folder, the floor's list, and what must be written."""

    def __init__(self, name, archive, work, mksfx, stub):
        self.name = name
        self.work = work
        self.out = {tool: os.path.join(work, "out-" + tool) for tool in ("stub", "floor", "host")}
        self.sfx = os.path.join(work, name + ".exe")
        packed = extract_tools.run_timed(
            [mksfx, "pack", "--stub", stub, "--auto-extract",
             "--default-folder", wine_path(self.out["stub"]), archive, self.sfx])
        if packed.returncode != 0:
            raise RuntimeError("mksfx pack %s: %s" % (archive, packed.error))
        self.list = os.path.join(work, name + ".list")
        with open(self.list, "w") as f:
            f.write(floor_list(archive))
        self.files, self.folders = extract_tools.expected_files(archive)
        self.output_bytes = sum(size for size, _ in self.files.values())

    def argv(self, tool, mksfx, floor):
        if tool == "stub":
            return ["wine", self.sfx]
        if tool == "floor":
            return ["wine", floor, wine_path(self.list), wine_path(self.out["floor"])]
        return [mksfx, "extract", "-q", self.sfx, self.out["host"]]

    def remove(self):
        for p in (self.sfx, self.list):
            if os.path.exists(p):
                os.remove(p)


def run_limited(argv):
    """extract_tools.run_timed, but a run that outlasts RUN_LIMIT_SECONDS is
    killed and reported as failed."""
    start = time.perf_counter()
    try:
        p = subprocess.run(argv, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                           stderr=subprocess.PIPE, timeout=RUN_LIMIT_SECONDS)
    except subprocess.TimeoutExpired:
        return extract_tools.Timed(time.perf_counter() - start, 0.0, -1,
                                   "no end after %d s (a message box up?)" % RUN_LIMIT_SECONDS)
    tail = p.stderr.decode(errors="replace").strip().splitlines()[-extract_tools.ERROR_TAIL_LINES:]
    return extract_tools.Timed(time.perf_counter() - start, 0.0, p.returncode, " | ".join(tail))


def time_case(case, rounds, mksfx, floor):
    """{tool: [seconds...] or an error text}.  A first, untimed round warms
    Wine's and the system's caches and checks the output."""
    tools = ("stub", "floor", "host")
    results = {t: [] for t in tools}
    for r in range(rounds + 1):
        for i in range(len(tools)):
            tool = tools[(r + i) % len(tools)]
            if isinstance(results[tool], str):
                continue
            out = case.out[tool]
            shutil.rmtree(out, ignore_errors=True)
            t = run_limited(case.argv(tool, mksfx, floor))
            problem = None
            if t.returncode != 0:
                problem = "exit %d: %s" % (t.returncode, t.error)
            elif r == 0 and tool != "floor":
                if not os.path.isdir(out):
                    problem = "wrote nothing"
                else:
                    problem = extract_tools.check_output(out, case.files, case.folders)
            shutil.rmtree(out, ignore_errors=True)
            if problem:
                results[tool] = problem
            elif r > 0:
                results[tool].append(t.wall)
    return results


def best(results, name, tool):
    r = results.get(name, {}).get(tool)
    return min(r) if isinstance(r, list) and r else None


def print_table(names, results, archives_info):
    start = {t: best(results, "tiny", t) for t in ("stub", "floor", "host")}
    print("\n  %-17s %6s %7s %8s %8s %8s %8s %8s %10s %11s" % (
        "case", "files", "MB", "host s", "stub s", "-start", "floor s", "-start",
        "net/host", "net/floor"))
    for name in names:
        files, mb = archives_info[name]
        row = results[name]
        cells = []
        for tool in ("host", "stub", "floor"):
            r = row[tool]
            cells.append("FAILED" if isinstance(r, str) else "%.3f" % min(r))
        stub, floor, host = best(results, name, "stub"), best(results, name, "floor"), best(results, name, "host")
        net_stub = stub - start["stub"] if stub is not None and start["stub"] is not None else None
        net_floor = floor - start["floor"] if floor is not None and start["floor"] is not None else None
        print("  %-17s %6d %7.1f %8s %8s %8s %8s %8s %10s %11s" % (
            name, files, mb, cells[0], cells[1],
            "%.3f" % net_stub if net_stub is not None else "-", cells[2],
            "%.3f" % net_floor if net_floor is not None else "-",
            "%.2f" % (net_stub / host) if net_stub is not None and host else "-",
            "%.2f" % (net_stub / net_floor) if net_stub is not None and net_floor else "-"))
        for tool in ("host", "stub", "floor"):
            if isinstance(row[tool], str):
                print("    %s FAILED: %s" % (tool, row[tool]))
    return start


def print_goals(results, start):
    def net(name, tool):
        b = best(results, name, tool)
        return b - start[tool] if b is not None and start[tool] is not None else None

    print("\nGoals (best times; net = less the tiny archive's time, the start-up):")
    for name in LARGE:
        stub, host = net(name, "stub"), best(results, name, "host")
        if stub is not None and host:
            verdict = "met" if stub / host <= GOAL_LARGE else "MISSED"
            print("  %-17s stub net / mksfx extract %.2f (goal <= %.1f) %s" % (name, stub / host, GOAL_LARGE, verdict))
    for name in ("small-sorted", "small-unsorted"):
        stub, floor = net(name, "stub"), net(name, "floor")
        raw_stub, raw_floor = best(results, name, "stub"), best(results, name, "floor")
        if stub is not None and floor:
            verdict = "met" if stub / floor <= GOAL_SMALL else "MISSED"
            print("  %-17s stub net / floor net %.2f, with start-up %.2f (goal <= %.1f) %s" % (
                name, stub / floor, raw_stub / raw_floor, GOAL_SMALL, verdict))
    sorted_, unsorted = net("small-sorted", "stub"), net("small-unsorted", "stub")
    if sorted_ and unsorted is not None:
        verdict = "met" if unsorted / sorted_ <= GOAL_UNSORTED else "MISSED"
        print("  unsorted / sorted  stub net %.2f (goal <= %.1f) %s" % (unsorted / sorted_, GOAL_UNSORTED, verdict))
        # The file system itself may care about the order (the floor shows
        # it): the stub's own share is its net time less the floor's.
        floor_sorted, floor_unsorted = net("small-sorted", "floor"), net("small-unsorted", "floor")
        if floor_sorted is not None and floor_unsorted is not None and sorted_ > floor_sorted:
            print("  unsorted / sorted  floor net %.2f; the stub's own (net less floor's net) %.2f" % (
                floor_unsorted / floor_sorted, (unsorted - floor_unsorted) / (sorted_ - floor_sorted)))


def parse_args(argv):
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--build", default=os.path.join(ROOT, "build", "host"),
                   help="host build tree holding mksfx (default: build/host)")
    p.add_argument("--win32", default=os.path.join(ROOT, "build", "win32"),
                   help="Windows build tree holding sfxstub.exe and sfxbenchfloor.exe")
    p.add_argument("--corpora", default=os.path.join(ROOT, "build", "bench-corpora"))
    p.add_argument("--quick", action="store_true", help="the quick corpora, 1,000 small files")
    p.add_argument("--rounds", type=int, default=DEFAULT_ROUNDS)
    p.add_argument("--case", action="append", help="only this case (repeatable); tiny always runs")
    args = p.parse_args(argv)
    if args.rounds < 1:
        p.error("--rounds must be at least 1")
    return args


def main(argv):
    args = parse_args(argv)
    mksfx = os.path.join(args.build, "mksfx")
    stub = os.path.join(args.win32, "sfxstub.exe")
    floor = os.path.join(args.win32, "sfxbenchfloor.exe")
    for path in (mksfx, stub, floor):
        if not os.path.isfile(path):
            sys.exit("stub_bench: %s is missing (make all)" % path)
    if not os.environ.get("SFX_WINE_ENV"):
        sys.exit("stub_bench: run it inside scripts/wine-env run -- ...")
    scale = "quick" if args.quick else "full"
    archives = ensure_archives(args.corpora, scale)
    names = [n for n in archives if n == "tiny" or not args.case or n in args.case]
    base = TMPFS if os.access(TMPFS, os.W_OK) else args.build
    work = tempfile.mkdtemp(prefix="vantor-stubbench-", dir=base)
    print("\nThe stub under Wine (AutoExtract) beside mksfx extract and the floor program;\n"
          "%s corpora, best of %d rounds, tools interleaved, output into %s." % (scale, args.rounds, work))
    started = time.perf_counter()
    results, info = {}, {}
    failed = False
    # Keeps Wine's desktop process up between runs, as Windows keeps its own.
    holder = subprocess.Popen(["wine", floor, "--hold"], stdin=subprocess.PIPE)
    time.sleep(HOLD_SETTLE_SECONDS)
    try:
        for name in names:
            case = Case(name, archives[name], work, mksfx, stub)
            try:
                results[name] = time_case(case, args.rounds, mksfx, floor)
                info[name] = (len(case.files), case.output_bytes / BYTES_PER_MB)
                failed |= any(isinstance(r, str) for r in results[name].values())
                print("  %s done" % name)
                sys.stdout.flush()
            finally:
                case.remove()
    finally:
        holder.stdin.close()
        holder.wait(timeout=HOLD_SETTLE_SECONDS * 10)
        shutil.rmtree(work, ignore_errors=True)
    start = print_table(names, results, info)
    print_goals(results, start)
    print("Stub benchmark took %.0f s." % (time.perf_counter() - started))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
