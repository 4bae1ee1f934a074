"""The extractors the benchmark times, how each is run, how one run is timed,
and the check that a run wrote exactly the archive's files."""

import os
import resource
import shutil
import subprocess
import sys
import time
import zipfile
import zlib
from dataclasses import dataclass

# Read size of the output check; the check is not timed.
CHECK_BLOCK_BYTES = 1 << 20
# Lines of a failing tool's error output kept for the report.
ERROR_TAIL_LINES = 3

PYTHON_EXTRACT = (
    "import sys, zipfile\n"
    "pwd = sys.argv[3].encode() if len(sys.argv) > 3 else None\n"
    "with zipfile.ZipFile(sys.argv[1]) as z: z.extractall(sys.argv[2], pwd=pwd)\n"
)


@dataclass(frozen=True)
class Tool:
    name: str
    program: str          # what must be on PATH (or a path) for the tool to run
    reads_sfx: bool       # takes the self-extractor rather than the plain archive
    argv: object          # (input, out_dir, password or None) -> list

    def available(self):
        return shutil.which(self.program) is not None


def our_tool(mksfx):
    def argv(sfx, out, pw):
        return [mksfx, "extract", "-q", sfx, out] + (["--password", pw] if pw else [])
    return Tool("ours", mksfx, True, argv)


PEERS = (
    Tool("unzip", "unzip", False,
         lambda a, out, pw: ["unzip", "-qo"] + (["-P", pw] if pw else []) + [a, "-d", out]),
    Tool("7z", "7z", False,
         lambda a, out, pw: ["7z", "x", "-y", "-bd", "-o" + out] + (["-p" + pw] if pw else []) + [a]),
    Tool("bsdtar", "bsdtar", False,
         lambda a, out, pw: ["bsdtar", "-xf", a, "-C", out] + (["--passphrase", pw] if pw else [])),
    # The interpreter itself, not a version manager's shim script in front of it.
    Tool("python", sys.executable, False,
         lambda a, out, pw: [sys.executable, "-c", PYTHON_EXTRACT, a, out] + ([pw] if pw else [])),
)


@dataclass
class Timed:
    wall: float           # seconds
    cpu: float            # user + system seconds of the tool's processes
    returncode: int
    error: str


def run_timed(argv):
    """Runs argv to its end with no input; output is discarded except the
    last lines of its error stream."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    p = subprocess.run(argv, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.PIPE)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    tail = p.stderr.decode(errors="replace").strip().splitlines()[-ERROR_TAIL_LINES:]
    return Timed(wall, cpu, p.returncode, " | ".join(tail))


def expected_files(archive):
    """{relative path: (size, crc-32)} of the archive's files, and its folders."""
    files, folders = {}, set()
    with zipfile.ZipFile(archive) as z:
        for e in z.infolist():
            name = e.filename.rstrip("/")
            if e.is_dir():
                folders.add(name)
            else:
                files[name] = (e.file_size, e.CRC)
    return files, folders


def file_crc(path):
    crc = 0
    with open(path, "rb") as f:
        while True:
            block = f.read(CHECK_BLOCK_BYTES)
            if not block:
                return crc
            crc = zlib.crc32(block, crc)


def check_output(out_dir, files, folders):
    """None when out_dir holds exactly `files` with their sizes and CRCs and
    every folder of `folders`; otherwise what is wrong."""
    found = {}
    found_folders = set()
    for folder, dirs, names in os.walk(out_dir):
        rel = os.path.relpath(folder, out_dir)
        if rel != ".":
            found_folders.add(rel.replace(os.sep, "/"))
        for n in names:
            path = os.path.join(folder, n)
            found[os.path.relpath(path, out_dir).replace(os.sep, "/")] = path
    missing = sorted(set(files) - set(found))
    if missing:
        return "%d files missing, e.g. %s" % (len(missing), missing[0])
    extra = sorted(set(found) - set(files))
    if extra:
        return "%d unexpected files, e.g. %s" % (len(extra), extra[0])
    lost = sorted(folders - found_folders)
    if lost:
        return "%d folders missing, e.g. %s" % (len(lost), lost[0])
    for name, (size, crc) in sorted(files.items()):
        path = found[name]
        if os.path.getsize(path) != size:
            return "%s: %d bytes, expected %d" % (name, os.path.getsize(path), size)
        if file_crc(path) != crc:
            return "%s: CRC-32 differs" % name
    return None
