#!/usr/bin/env python3
"""Runs two Halvex binaries on every part of an LDraw library with one option
set and reports every difference in exit code, standard output, standard
error or output file bytes. Speed work must leave it silent:

  python3 bench/compare_library.py OLD_HALVEX NEW_HALVEX LIBDIR "OPTIONS" [JOBS [FOLDER...]]

Inputs: every .dat in LIBDIR/parts, parts/s, p, p/48 and p/8, or in the
FOLDERs given (relative to LIBDIR); JOBS runs at a time, 2 by default. Each run
has a folder of its own and writes out.dat there; the library itself is only
read. Prints the number of runs compared and each difference; exits 1 when
there was one."""

import os
import shlex
import subprocess
import sys
import tempfile
from multiprocessing import Pool

old = new = options = work = None


def run(binary, folder, part):
    os.makedirs(folder, exist_ok=True)
    result = subprocess.run([binary] + options + [part, "out.dat"], cwd=folder,
                            stdin=subprocess.DEVNULL, capture_output=True, timeout=600)
    out = os.path.join(folder, "out.dat")
    data = None
    if os.path.exists(out):
        with open(out, "rb") as f:
            data = f.read()
        os.remove(out)
    return result.returncode, result.stdout, result.stderr, data


def compare(part):
    # One folder per worker process: runs in parallel never share one.
    folder = os.path.join(work, str(os.getpid()))
    a = run(old, os.path.join(folder, "old"), part)
    b = run(new, os.path.join(folder, "new"), part)
    names = ["exit code", "stdout", "stderr", "output file"]
    return part, [names[k] for k in range(4) if a[k] != b[k]], a[3] is not None, len(a[3] or b"")


def main():
    global old, new, options, work
    if len(sys.argv) < 5:
        print(__doc__, file=sys.stderr)
        return 2
    old, new, lib = (os.path.realpath(a) for a in sys.argv[1:4])
    options = shlex.split(sys.argv[4])
    jobs = int(sys.argv[5]) if len(sys.argv) > 5 else 2
    folders = sys.argv[6:] or ["parts", "parts/s", "p", "p/48", "p/8"]
    parts = []
    for sub in folders:
        folder = os.path.join(lib, sub)
        if not os.path.isdir(folder):
            continue
        parts += sorted(os.path.join(folder, n) for n in os.listdir(folder)
                        if n.lower().endswith(".dat"))
    with tempfile.TemporaryDirectory() as tmp:
        work = tmp
        differences = written = total_bytes = 0
        with Pool(jobs) as pool:
            for part, differ, wrote, size in pool.imap_unordered(compare, parts, 16):
                if differ:
                    differences += 1
                    print(f"DIFFERENT ({', '.join(differ)}): {sys.argv[4]} {part}", flush=True)
                written += wrote
                total_bytes += size
    print(f"{len(parts)} parts with '{sys.argv[4]}': {len(parts) - differences} identical "
          f"(exit code, stdout, stderr, output bytes), {differences} different; "
          f"{written} output files, {total_bytes} bytes")
    return 1 if differences else 0


if __name__ == "__main__":
    sys.exit(main())
