#!/usr/bin/env python3
"""Runs two Halvex binaries on every part of an LDraw library with the same
option sets and lists every part whose console output, exit code or output
file differs between them. See tools/README.md.

    python3 tools/compare_library.py OLD NEW LIBDIR ["OPTIONS" ...] [--jobs 2] [--from PART]

Each option set is one argument (e.g. "-s -x+ -ca"); "-l LIBDIR" is added to
those with -s. Without any, the option sets of tools/comparison_inputs.sh
named LIBRARY_OPTION_SETS run. Exits 1 when a part differs.
"""

import argparse
import os
import shlex
import subprocess
import sys
import tempfile
import time
from multiprocessing import Pool

HERE = os.path.dirname(os.path.abspath(__file__))
TIMEOUT_SECONDS = 300


def shared_option_sets(name):
    """An array of option sets from tools/comparison_inputs.sh."""
    script = f'source "{HERE}/comparison_inputs.sh" && printf "%s\\n" "${{{name}[@]}}"'
    out = subprocess.run(["bash", "-c", script], capture_output=True, text=True, check=True)
    return [line for line in out.stdout.splitlines() if line]


def run(binary, options, part, work):
    os.makedirs(work, exist_ok=True)
    try:
        done = subprocess.run([binary] + options + [part, "out.dat"], cwd=work,
                              stdin=subprocess.DEVNULL, capture_output=True,
                              timeout=TIMEOUT_SECONDS)
        result = (done.returncode, done.stdout, done.stderr)
    except subprocess.TimeoutExpired:
        result = ("timeout", b"", b"")
    out = os.path.join(work, "out.dat")
    data = None
    if os.path.exists(out):
        with open(out, "rb") as f:
            data = f.read()
    return result, data


def compare(job):
    old, new, text, options, part = job
    with tempfile.TemporaryDirectory(prefix="halvex-compare-") as work:
        a = run(old, options, part, os.path.join(work, "a"))
        b = run(new, options, part, os.path.join(work, "b"))
    if a == b:
        return None
    what = []
    if a[0][0] != b[0][0]:
        what.append("exit code")
    if a[0][1] != b[0][1] or a[0][2] != b[0][2]:
        what.append("console")
    if a[1] != b[1]:
        what.append("output file")
    return text, part, what


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("old")
    parser.add_argument("new")
    parser.add_argument("library")
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--from", dest="start", default="",
                        help="skip the parts whose file name sorts before this one (to resume)")
    own = [a for a in sys.argv[1:] if a.startswith("--") or not a.startswith("-")]
    option_sets = [a for a in sys.argv[1:] if a.startswith("-") and not a.startswith("--")]
    args, rest = parser.parse_known_args(own)
    option_sets += rest
    option_sets = option_sets or shared_option_sets("LIBRARY_OPTION_SETS")

    root = os.path.realpath(args.library)
    folder = os.path.join(root, "parts")
    parts = sorted(os.path.join(folder, n) for n in os.listdir(folder)
                   if n.lower().endswith(".dat") and n >= args.start)
    jobs = []
    for text in option_sets:
        options = shlex.split(text)
        if "-s" in options and "-l" not in options:
            options += ["-l", root]
        jobs += [(os.path.realpath(args.old), os.path.realpath(args.new), text, options, p)
                 for p in parts]

    started = time.monotonic()
    differing = {text: [] for text in option_sets}
    with Pool(args.jobs) as pool:
        for found in pool.imap_unordered(compare, jobs, chunksize=16):
            if found:
                text, part, what = found
                print(f"{text}: {os.path.relpath(part, root)}: {', '.join(what)}", flush=True)
                differing[text].append(part)
    seconds = time.monotonic() - started
    for text in option_sets:
        print(f"{text}: {len(parts)} parts, {len(differing[text])} differ")
    print(f"wall time {seconds:.0f} s on {args.jobs} workers")
    return 1 if any(differing.values()) else 0


if __name__ == "__main__":
    sys.exit(main())
