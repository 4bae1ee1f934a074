"""Deterministic benchmark corpora, made from what this machine has installed.

Four corpora, each archived three ways by Info-ZIP zip (deflate level 6,
stored, and deflate level 6 with the traditional encryption):

  text      a few large text files: C headers and licence texts, concatenated
  binaries  ELF executables and shared libraries, copied whole
  small     many files of 1-20 KiB (headers, Python sources, documentation)
  random    incompressible bytes from a fixed-seed generator

The same machine gives the same corpora: sources are taken in sorted path
order and every file and folder gets one fixed time stamp, so the archives
differ between runs only in the random encryption headers.  Archives are
cached under one folder per scale and made again only when missing; the
source trees are removed once their archives exist.
"""

import json
import os
import random
import shutil
import subprocess
from dataclasses import dataclass

PASSWORD = "vantor-bench"
CORPORA = ("text", "binaries", "small", "random")
VARIANTS = {
    "deflate": ["-6"],
    "stored": ["-0"],
    "encrypted": ["-6", "-P", PASSWORD],
}

# 2024-01-01 12:00:00 UTC, an even count of seconds (DOS times are in
# two-second units).  zip records it in the local time zone, so the archives
# are the same on machines of the same zone.
FIXED_MTIME = 1704110400
# Small files: sizes typical of a source tree or an installer's many files.
SMALL_MIN_BYTES = 1024
SMALL_MAX_BYTES = 20 * 1024
# Files per folder of the small corpus: a realistic tree, not one flat folder.
SMALL_FILES_PER_FOLDER = 100
# Binaries larger than this would let a handful of files make up the corpus;
# smaller than the minimum are mostly stubs and scripts' wrappers.
BINARY_MIN_BYTES = 16 * 1024
BINARY_MAX_BYTES = 4 << 20
RANDOM_SEED = 20240101
COPY_BLOCK_BYTES = 1 << 20
# Entry names stay short: the stub's paths are bounded by MAX_PATH (260).
NAME_STEM_CHARS = 40
MANIFEST = "manifest.json"


@dataclass(frozen=True)
class Scale:
    text_bytes: int
    text_files: int
    binary_bytes: int
    small_files: int
    random_bytes: int
    random_files: int


SCALES = {
    "full": Scale(64 << 20, 4, 64 << 20, 10000, 48 << 20, 3),
    "quick": Scale(8 << 20, 2, 8 << 20, 1500, 8 << 20, 2),
}


@dataclass(frozen=True)
class Sources:
    """Folders the corpora are drawn from; tests pass their own."""
    text: tuple = ("/usr/include", "/usr/share/common-licenses")
    binaries: tuple = ("/usr/bin", "/usr/lib")
    small: tuple = ("/usr/include", "/usr/lib/python3", "/usr/lib/python3.11", "/usr/share/doc")


def walk_files(root):
    """Regular files under root (symbolic links skipped), in sorted order."""
    for folder, dirs, files in os.walk(root):
        dirs.sort()
        for name in sorted(files):
            path = os.path.join(folder, name)
            if os.path.isfile(path) and not os.path.islink(path):
                yield path


def is_text(path):
    try:
        with open(path, "rb") as f:
            head = f.read(4096)
    except OSError:
        return False
    return bool(head) and b"\0" not in head


def is_elf(path):
    try:
        with open(path, "rb") as f:
            return f.read(4) == b"\x7fELF"
    except OSError:
        return False


def file_size(path):
    try:
        return os.path.getsize(path)
    except OSError:
        return -1


def interleave(*generators):
    """One item of each generator in turn until all are exhausted."""
    live = list(generators)
    while live:
        for g in list(live):
            try:
                yield next(g)
            except StopIteration:
                live.remove(g)


def safe_stem(path):
    stem = "".join(c if c.isalnum() or c in "._-" else "_" for c in os.path.basename(path))
    return stem[-NAME_STEM_CHARS:]


def write_text(dest, roots, total, files):
    """`files` files of about total/files bytes of text each, concatenated
    in sorted source order, starting over when the sources run out."""
    sources = [p for r in roots for p in walk_files(r) if is_text(p)]
    if not sources:
        raise RuntimeError("no text files under " + ", ".join(roots))
    per_file = total // files
    at = 0
    for n in range(files):
        written = 0
        with open(os.path.join(dest, "text-%02d.txt" % n), "wb") as out:
            while written < per_file:
                with open(sources[at % len(sources)], "rb") as f:
                    chunk = f.read(per_file - written)
                at += 1
                out.write(chunk)
                written += len(chunk)


def write_binaries(dest, roots, total):
    """ELF files copied whole, one from each root in turn, until `total`."""
    def elves(root):
        for p in walk_files(root):
            if BINARY_MIN_BYTES <= file_size(p) <= BINARY_MAX_BYTES and is_elf(p):
                yield p
    written = 0
    for n, path in enumerate(interleave(*(elves(r) for r in roots))):
        if written >= total:
            return
        target = os.path.join(dest, "%04d-%s" % (n, safe_stem(path)))
        shutil.copyfile(path, target)
        written += os.path.getsize(target)
    if written < total:
        raise RuntimeError("only %d bytes of ELF files under %s" % (written, ", ".join(roots)))


def write_small(dest, roots, count):
    """`count` files of SMALL_MIN_BYTES to SMALL_MAX_BYTES, SMALL_FILES_PER_FOLDER
    to a folder; a path seen under two roots is taken once."""
    seen = set()
    n = 0
    for root in roots:
        for path in walk_files(root):
            if n == count:
                return
            real = os.path.realpath(path)
            if real in seen or not SMALL_MIN_BYTES <= file_size(path) <= SMALL_MAX_BYTES:
                continue
            seen.add(real)
            folder = os.path.join(dest, "%03d" % (n // SMALL_FILES_PER_FOLDER))
            os.makedirs(folder, exist_ok=True)
            shutil.copyfile(path, os.path.join(folder, "%05d-%s" % (n, safe_stem(path))))
            n += 1
    if n < count:
        raise RuntimeError("only %d small files under %s" % (n, ", ".join(roots)))


def write_random(dest, total, files):
    rng = random.Random(RANDOM_SEED)
    per_file = total // files
    for n in range(files):
        with open(os.path.join(dest, "random-%02d.bin" % n), "wb") as out:
            left = per_file
            while left:
                block = min(left, COPY_BLOCK_BYTES)
                out.write(rng.randbytes(block))
                left -= block


def fix_times(tree):
    for folder, dirs, files in os.walk(tree):
        for name in files:
            os.utime(os.path.join(folder, name), (FIXED_MTIME, FIXED_MTIME))
    for folder, dirs, files in os.walk(tree, topdown=False):
        os.utime(folder, (FIXED_MTIME, FIXED_MTIME))


def build_tree(parent, corpus, scale, sources):
    """Writes the corpus into parent/corpus (replacing what is there)."""
    tree = os.path.join(parent, corpus)
    shutil.rmtree(tree, ignore_errors=True)
    os.makedirs(tree)
    if corpus == "text":
        write_text(tree, sources.text, scale.text_bytes, scale.text_files)
    elif corpus == "binaries":
        write_binaries(tree, sources.binaries, scale.binary_bytes)
    elif corpus == "small":
        write_small(tree, sources.small, scale.small_files)
    elif corpus == "random":
        write_random(tree, scale.random_bytes, scale.random_files)
    else:
        raise ValueError(corpus)
    fix_times(tree)
    return tree


def archive_name(corpus, variant):
    return "%s-%s.zip" % (corpus, variant)


def make_archive(parent, corpus, variant, out_path):
    """zip run in `parent` so that entry names start with the corpus name;
    -X leaves out owner and permission extras so the bytes do not depend on
    who made the files."""
    partial = out_path + ".partial"
    if os.path.exists(partial):
        os.remove(partial)
    subprocess.run(["zip", "-q", "-r", "-X"] + VARIANTS[variant] + [partial, corpus],
                   cwd=parent, check=True)
    os.replace(partial, out_path)


def ensure_corpora(cache_dir, scale_name, sources=Sources(), log=print):
    """Every archive of the scale, made where missing.  Returns
    {(corpus, variant): path}."""
    scale = SCALES[scale_name] if isinstance(scale_name, str) else scale_name
    label = scale_name if isinstance(scale_name, str) else "custom"
    folder = os.path.abspath(os.path.join(cache_dir, label))
    os.makedirs(folder, exist_ok=True)
    archives = {}
    for corpus in CORPORA:
        wanted = {v: os.path.join(folder, archive_name(corpus, v)) for v in VARIANTS}
        missing = [v for v, p in wanted.items() if not os.path.exists(p)]
        if missing:
            log("corpora: making %s/%s (%s)" % (label, corpus, ", ".join(missing)))
            work = os.path.join(folder, "src")
            os.makedirs(work, exist_ok=True)
            build_tree(work, corpus, scale, sources)
            for v in missing:
                make_archive(work, corpus, v, wanted[v])
            shutil.rmtree(os.path.join(work, corpus))
            if not os.listdir(work):
                os.rmdir(work)
        for v, p in wanted.items():
            archives[(corpus, v)] = p
    write_manifest(folder, archives)
    return archives


def write_manifest(folder, archives):
    """Entry counts and sizes of every archive, for the record."""
    import zipfile
    info = {}
    for (corpus, variant), path in sorted(archives.items()):
        with zipfile.ZipFile(path) as z:
            entries = z.infolist()
        info["%s-%s" % (corpus, variant)] = {
            "files": sum(1 for e in entries if not e.is_dir()),
            "folders": sum(1 for e in entries if e.is_dir()),
            "uncompressed_bytes": sum(e.file_size for e in entries),
            "archive_bytes": os.path.getsize(path),
        }
    with open(os.path.join(folder, MANIFEST), "w") as f:
        json.dump(info, f, indent=1, sort_keys=True)
