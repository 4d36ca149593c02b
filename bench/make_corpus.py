#!/usr/bin/env python3
# Builds the benchmark corpus: program binaries, text and seeded random data copied into one folder tree
# of about 100 MiB whose names are all valid, distinct Windows names (the tool under test runs as on Windows).
"""Usage: make_corpus.py DEST [--scale F]

DEST must not exist; it is created and filled. The selection is deterministic for a given machine: each
source's files are ordered by a hash of their path (a fixed order that still samples the whole alphabet)
and taken until that source's budget is full. Random files come from a seeded PRNG, so they are identical
on every machine. Prints one line per source and the total.
"""

import hashlib
import os
import random
import shutil
import sys

MiB = 1024 * 1024

# (corpus folder, host root, recursive, file filter, budget in MiB, largest single file in MiB)
SOURCES = [
    ("bin/usr-bin", "/usr/bin", False, lambda n: True, 25, 4),
    ("bin/lib", "/usr/lib/x86_64-linux-gnu", False, lambda n: ".so" in n, 25, 4),
    ("text/include", "/usr/include", True, lambda n: True, 20, 1),
    ("text/doc", "/usr/share/doc", True, lambda n: not n.endswith((".gz", ".bz2", ".xz", ".png", ".jpg")), 12, 1),
    ("text/licenses", "/usr/share/common-licenses", True, lambda n: True, 1, 1),
    ("text/python", "/usr/lib/python3.11", True, lambda n: n.endswith(".py"), 6, 1),
]

# Random (incompressible) files: (name, size). About 10 MiB; stored or barely deflated in the packages.
RANDOM_SEED = 0x7AB1E5E7
RANDOM_FILES = [("random/big/blob-4m.bin", 4 * MiB)] + \
    [(f"random/medium/blob-{i:02d}.bin", 1 * MiB) for i in range(2)] + \
    [(f"random/small/{i // 8:02d}/chunk-{i:03d}.bin", 64 * 1024 + 1237 * i) for i in range(40)]

MAX_REL_PATH = 150  # keeps destination paths well under the 260-character Windows limit
BAD_CHARS = set('<>:"|?*\\')
RESERVED = {"CON", "PRN", "AUX", "NUL"} | {f"COM{i}" for i in range(1, 10)} | {f"LPT{i}" for i in range(1, 10)}


def windows_safe(rel):
    """True when every component of rel is a legal Windows file name made of printable ASCII."""
    if len(rel) > MAX_REL_PATH:
        return False
    for part in rel.split("/"):
        if not part or part.endswith((".", " ")):
            return False
        if any(ord(c) < 0x20 or ord(c) > 0x7E or c in BAD_CHARS for c in part):
            return False
        if part.split(".")[0].upper() in RESERVED:
            return False
    return True


def candidates(root, recursive, keep):
    """Regular, readable files under root as (relative path, size), symlinks skipped."""
    out = []
    for dirpath, dirnames, filenames in os.walk(root):
        dirnames.sort()
        if not recursive:
            dirnames.clear()
        for name in filenames:
            path = os.path.join(dirpath, name)
            if not keep(name) or os.path.islink(path) or not os.path.isfile(path):
                continue
            if not os.access(path, os.R_OK):
                continue
            out.append((os.path.relpath(path, root), os.path.getsize(path)))
    return out


def path_key(rel):
    return hashlib.sha1(rel.encode("utf-8", "surrogateescape")).hexdigest()


def main(argv):
    if len(argv) < 2:
        sys.exit(__doc__)
    dest = argv[1]
    scale = float(argv[argv.index("--scale") + 1]) if "--scale" in argv else 1.0
    if os.path.exists(dest):
        sys.exit(f"make_corpus: {dest} already exists")
    os.makedirs(dest)

    # Windows names are case-insensitive: refuse any path that folds onto a file, or onto a folder spelled
    # differently, already in the corpus, so every tool's extraction matches the corpus byte for byte.
    files_folded = set()
    dirs_folded = {}
    grand_total = 0
    grand_files = 0

    def claim(rel):
        parts = rel.split("/")
        dirs = ["/".join(parts[:i]) for i in range(1, len(parts))]
        if rel.lower() in files_folded or rel.lower() in dirs_folded:
            return False
        for d in dirs:
            if d.lower() in files_folded or dirs_folded.get(d.lower(), d) != d:
                return False
        files_folded.add(rel.lower())
        for d in dirs:
            dirs_folded[d.lower()] = d
        return True

    for folder, root, recursive, keep, budget_mib, max_mib in SOURCES:
        budget = int(budget_mib * MiB * scale)
        total = files = 0
        for rel, size in sorted(candidates(root, recursive, keep), key=lambda c: path_key(c[0])):
            if size > max_mib * MiB or total + size > budget:
                continue
            out_rel = f"{folder}/{rel}"
            if not windows_safe(out_rel) or not claim(out_rel):
                continue
            out_path = os.path.join(dest, out_rel)
            os.makedirs(os.path.dirname(out_path), exist_ok=True)
            try:
                shutil.copy2(os.path.join(root, rel), out_path)
            except OSError:
                continue
            total += size
            files += 1
            if budget - total < 4096:
                break
        print(f"  {folder:<16} {files:5d} files {total / MiB:7.1f} MiB  (from {root})")
        grand_total += total
        grand_files += files

    rng = random.Random(RANDOM_SEED)
    total = 0
    for rel, size in RANDOM_FILES:
        size = int(size * scale)
        out_path = os.path.join(dest, rel)
        os.makedirs(os.path.dirname(out_path), exist_ok=True)
        with open(out_path, "wb") as f:
            f.write(rng.randbytes(size))
        os.utime(out_path, (1700000000, 1700000000))
        total += size
    print(f"  {'random':<16} {len(RANDOM_FILES):5d} files {total / MiB:7.1f} MiB  (seed {RANDOM_SEED:#x})")
    grand_total += total
    grand_files += len(RANDOM_FILES)

    # A few edge shapes a real package has: an empty file and an empty folder.
    open(os.path.join(dest, "text", "empty.txt"), "wb").close()
    os.makedirs(os.path.join(dest, "empty-folder"), exist_ok=True)
    grand_files += 1
    print(f"  {'total':<16} {grand_files:5d} files {grand_total / MiB:7.1f} MiB")


if __name__ == "__main__":
    main(sys.argv)
