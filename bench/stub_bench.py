#!/usr/bin/env python3
"""The real stub under Wine: self-extractors packed with AutoExtract run by
`wine`, beside `mksfx extract` (the same start-up and walk on the Linux
stand-in) and beside bench/floor_win32.cpp, a Win32 program that makes only
the file calls of the same extraction (create, write in 32 KiB pieces, set
time, close, and the folders) under the same Wine.

Cases: the 64 MiB deflated text and binaries and the stored text of the
extraction corpora, and 5,000 small files in sorted and in shuffled order.
Beside every case, in every round, the stub and the floor also run on a tiny
archive of one file: that time is the start-up (Wine's process start, the
stub finding its archive, the hidden dialog), taken off the case's time of
the same round, because the shared machine's load changes from minute to
minute.  The floor program's
--hold mode runs throughout, so that Wine's desktop process stays up as
Windows' does instead of starting anew for every run.

Every run writes into a fresh folder on tmpfs.  Programs take turns in every
round, one later each round.  A first, untimed round warms the caches
and checks the output of the stub and of mksfx against the archive (names,
sizes, CRC-32); a failed or wrong run is shown as FAILED.  Run it inside scripts/wine-env (bench/run does):

  scripts/wine-env run -- bench/stub_bench.py [--quick] [--rounds N] [--case NAME]
"""

import argparse
import os
import random
import shutil
import statistics
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
        os.makedirs(work, exist_ok=True)
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


# Programs timed for every case; "-start" runs the same program on the tiny
# archive in the same round, so that its start-up is taken off under the
# same load.
TOOLS = ("stub", "stub-start", "floor", "floor-start", "host")


def time_case(case, tiny, rounds, mksfx, floor):
    """{tool: [seconds per round] or an error text}.  A first, untimed round
    warms Wine's and the system's caches and checks the output."""
    results = {t: [] for t in TOOLS}
    for r in range(rounds + 1):
        for i in range(len(TOOLS)):
            tool = TOOLS[(r + i) % len(TOOLS)]
            if isinstance(results[tool], str):
                continue
            source = tiny if tool.endswith("-start") else case
            program = tool.split("-")[0]
            out = source.out[program]
            shutil.rmtree(out, ignore_errors=True)
            t = run_limited(source.argv(program, mksfx, floor))
            problem = None
            if t.returncode != 0:
                problem = "exit %d: %s" % (t.returncode, t.error)
            elif r == 0 and program != "floor":
                if not os.path.isdir(out):
                    problem = "wrote nothing"
                else:
                    problem = extract_tools.check_output(out, source.files, source.folders)
            shutil.rmtree(out, ignore_errors=True)
            if problem:
                results[tool] = problem
            elif r > 0:
                results[tool].append(t.wall)
    return results


def best(row, tool):
    r = row.get(tool)
    return min(r) if isinstance(r, list) and r else None


def median(row, tool):
    r = row.get(tool)
    return statistics.median(r) if isinstance(r, list) and r else None


def best_net(row, program):
    """The program's best time less the best start-up: the least disturbed
    runs of both."""
    run, start = best(row, program), best(row, program + "-start")
    return run - start if run is not None and start is not None else None


def net(row, program):
    """The median over the rounds of the program's time less its start-up in
    the same round; None when either failed."""
    runs, starts = row.get(program), row.get(program + "-start")
    if not isinstance(runs, list) or not isinstance(starts, list) or not runs:
        return None
    return statistics.median(a - b for a, b in zip(runs, starts))


def ratio(a, b):
    return "%.2f" % (a / b) if a is not None and b else "-"


def print_table(names, results, info):
    def all_runs(tool):
        return [t for row in results.values() if isinstance(row[tool], list) for t in row[tool]]

    starts, floor_starts = all_runs("stub-start"), all_runs("floor-start")
    if starts and floor_starts:
        print("\n  start-up (the tiny archive, every round): stub median %.3f s, best %.3f s; "
              "floor median %.3f s" % (statistics.median(starts), min(starts), statistics.median(floor_starts)))
    print("\n  %-17s %6s %6s %8s %8s %8s %8s %8s %9s %10s" % (
        "case", "files", "MB", "host s", "stub s", "stub net", "floor s", "flr net",
        "net/host", "net/floor"))
    for name in names:
        files, mb = info[name]
        row = results[name]
        cells = ["FAILED" if isinstance(row[t], str) else "%.3f" % min(row[t])
                 for t in ("host", "stub", "floor")]
        stub_net, floor_net, host = net(row, "stub"), net(row, "floor"), median(row, "host")
        print("  %-17s %6d %6.1f %8s %8s %8s %8s %8s %9s %10s" % (
            name, files, mb, cells[0], cells[1],
            "%.3f" % stub_net if stub_net is not None else "-", cells[2],
            "%.3f" % floor_net if floor_net is not None else "-",
            ratio(stub_net, host), ratio(stub_net, floor_net)))
        for tool in TOOLS:
            if isinstance(row[tool], str):
                print("    %s FAILED: %s" % (tool, row[tool]))


# A net time is judged only when it is this many times the spread of the
# start-ups it was taken from: below, the start-up's noise decides the ratio.
MEASURABLE_SPREADS = 3


def measurable(row, *programs):
    """Whether every program's net time in `row` stands clear of the noise of
    its start-ups (their spread over the rounds)."""
    for program in programs:
        value, starts = net(row, program), row.get(program + "-start")
        if value is None or not isinstance(starts, list) or not starts:
            return False
        if value <= 0 or value < MEASURABLE_SPREADS * (max(starts) - min(starts)):
            return False
    return True


def verdict(value, goal, judged=True):
    if not judged:
        return "too small to judge"
    return "met" if value <= goal else "MISSED"


def print_goals(results):
    print("\nGoals (net: median over the rounds of the time less the start-up of the same round):")

    for name in LARGE:
        row = results.get(name)
        stub, host = (net(row, "stub"), median(row, "host")) if row else (None, None)
        if stub is not None and host:
            stub_best, host_best = best_net(row, "stub"), best(row, "host")
            print("  %-17s stub net / mksfx extract, medians %.2f, bests %.2f (goal <= %.1f) %s" % (
                name, stub / host, stub_best / host_best, GOAL_LARGE,
                verdict(stub / host, GOAL_LARGE, measurable(row, "stub"))))
            # The floor's share is what Wine charges any extractor for the same
            # file calls; what is left is the stub's own work.
            floor = net(row, "floor")
            if floor is not None:
                print("  %-17s floor net / mksfx extract %.2f; the stub's own (stub net less floor net) %.2f" % (
                    "", floor / host, (stub - floor) / host))
    for name in ("small-sorted", "small-unsorted"):
        row = results.get(name)
        stub, floor = (net(row, "stub"), net(row, "floor")) if row else (None, None)
        if stub is not None and floor:
            print("  %-17s stub net / floor net %.2f, with start-ups %.2f (goal <= %.1f) %s" % (
                name, stub / floor, best(row, "stub") / best(row, "floor"), GOAL_SMALL,
                verdict(stub / floor, GOAL_SMALL, measurable(row, "stub", "floor"))))
    rows = results.get("small-sorted"), results.get("small-unsorted")
    if all(rows):
        (s_stub, s_floor), (u_stub, u_floor) = [(net(r, "stub"), net(r, "floor")) for r in rows]
        if s_stub and u_stub is not None:
            print("  unsorted / sorted  stub net %.2f (goal <= %.1f) %s" % (
                u_stub / s_stub, GOAL_UNSORTED,
                verdict(u_stub / s_stub, GOAL_UNSORTED, all(measurable(r, "stub") for r in rows))))
            # The file system itself may care about the order (the floor shows
            # it): the stub's own share is its net time less the floor's.
            if s_floor and u_floor is not None and s_stub > s_floor:
                print("  unsorted / sorted  floor net %.2f; the stub's own (stub net less floor net) %.2f" % (
                    u_floor / s_floor, (u_stub - u_floor) / (s_stub - s_floor)))


def parse_args(argv):
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--build", default=os.path.join(ROOT, "build", "host"),
                   help="host build tree holding mksfx (default: build/host)")
    p.add_argument("--win32", default=os.path.join(ROOT, "build", "win32"),
                   help="Windows build tree holding sfxstub.exe and sfxbenchfloor.exe")
    p.add_argument("--corpora", default=os.path.join(ROOT, "build", "bench-corpora"))
    p.add_argument("--quick", action="store_true", help="the quick corpora, 1,000 small files")
    p.add_argument("--rounds", type=int, default=DEFAULT_ROUNDS)
    p.add_argument("--case", action="append", help="only this case (repeatable)")
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
    names = [n for n in archives if n != "tiny" and (not args.case or n in args.case)]
    base = TMPFS if os.access(TMPFS, os.W_OK) else args.build
    work = tempfile.mkdtemp(prefix="vantor-stubbench-", dir=base)
    print("\nThe stub under Wine (AutoExtract) beside mksfx extract and the floor program;\n"
          "%s corpora, %d rounds, programs interleaved, output into %s." % (scale, args.rounds, work))
    started = time.perf_counter()
    results, info = {}, {}
    failed = False
    # Keeps Wine's desktop process up between runs, as Windows keeps its own.
    holder = subprocess.Popen(["wine", floor, "--hold"], stdin=subprocess.PIPE)
    time.sleep(HOLD_SETTLE_SECONDS)
    tiny = None
    try:
        tiny = Case("tiny", archives["tiny"], os.path.join(work, "start"), mksfx, stub)
        for name in names:
            case = Case(name, archives[name], work, mksfx, stub)
            try:
                results[name] = time_case(case, tiny, args.rounds, mksfx, floor)
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
    print_table(names, results, info)
    print_goals(results)
    print("Stub benchmark took %.0f s." % (time.perf_counter() - started))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
