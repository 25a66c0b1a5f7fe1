#!/usr/bin/env python3
"""Runs Halvex on every part of an LDraw library and checks what must hold
whatever the part. See tools/library_sweep.sh for the command line."""

import argparse
import os
import re
import shlex
import subprocess
import sys
import tempfile
import time
from multiprocessing import Pool

HERE = os.path.dirname(os.path.abspath(__file__))


def shared_option_sets(name):
    """A bash array of tools/comparison_inputs.sh, as a list of strings."""
    script = f'source "{HERE}/comparison_inputs.sh" && printf "%s\\n" "${{{name}[@]}}"'
    out = subprocess.run(["bash", "-c", script], capture_output=True, text=True, check=True)
    return [line for line in out.stdout.splitlines() if line]



TIMEOUT_SECONDS = 120
# The folders below the library in which subfiles are looked for, as the
# program builds them for a -l folder, and below the input's folder (which
# is parts/ for every part).
LIBRARY_FOLDERS = ["p", "parts", "parts/s", "Unofficial/p", "Unofficial/parts",
                   "Unofficial/parts/s"]
INPUT_FOLDERS = ["parts", "parts/p", "parts/s"]
REPORT_COUNTS = re.compile(
    r"(\d+) lines in file\n(\d+) Edge lines\n(\d+) Conditional lines\n"
    r"(\d+) Triangles\n(\d+) Quads\n")

library = None
halvex = None
known_files = None


def index_library(root):
    """Every file below `root`, by its lower-case path relative to it."""
    files = set()
    for folder, _, names in os.walk(root):
        rel = os.path.relpath(folder, root)
        for name in names:
            files.add(os.path.normpath(os.path.join(rel, name)).lower())
    return files


def resolvable(name):
    name = name.replace("\\", "/").lower()
    return any(os.path.normpath(folder.lower() + "/" + name) in known_files
               for folder in INPUT_FOLDERS + LIBRARY_FOLDERS)


def removed_side_test(options):
    """A function telling whether a point lies on the removed side of the one
    axis plane in `options` beyond the precision, or None when the options
    hold no single axis plane."""
    precision = 0.001
    planes = []
    invert = "-i" in options
    k = 0
    while k < len(options):
        option = options[k]
        if option == "-p":
            precision = float(options[k + 1])
            k += 1
        elif re.fullmatch(r"-[xyz](\+\+|--)", option):
            planes.append((option[1], option[2], float(options[k + 1])))
            k += 1
        elif re.fullmatch(r"-[xyz][+-]", option):
            planes.append((option[1], option[2], 0.0))
        k += 1
    if len(planes) != 1:
        return None
    axis, sign, value = planes[0]
    keep_above = (sign == "+") != invert
    index = "xyz".index(axis)

    def on_removed_side(point):
        distance = point[index] - value
        return distance < -precision if keep_above else distance > precision

    return on_removed_side


def points_of(fields):
    """The classified points of an element line split into fields: a
    reference's position, a line's two ends, a polygon's corners."""
    kind = fields[0]
    count = {"1": 1, "2": 2, "3": 3, "4": 4, "5": 2}.get(kind, 0)
    numbers = [float(v) for v in fields[2:2 + 3 * count]]
    return [numbers[k:k + 3] for k in range(0, len(numbers), 3)]


def check(job):
    """Runs one part with one option set; returns None or a failure text."""
    part, option_text = job
    options = shlex.split(option_text)
    with tempfile.TemporaryDirectory(prefix="halvex-sweep-") as work:
        out = os.path.join(work, "out.dat")
        command = [halvex] + options + ["-l", library, part, out]
        shown = " ".join(shlex.quote(c) for c in command)
        try:
            run = subprocess.run(command, stdin=subprocess.DEVNULL, capture_output=True,
                                 timeout=TIMEOUT_SECONDS)
        except subprocess.TimeoutExpired:
            return f"timeout after {TIMEOUT_SECONDS} s: {shown}"
        except OSError as error:
            return f"could not run ({error.strerror}): {shown}"
        stdout = run.stdout.decode("latin-1")
        if run.returncode != 0:
            return f"exit code {run.returncode}: {shown}"
        if not os.path.isfile(out):
            return f"no output written: {shown}"
        saved = stdout[stdout.rfind("\nSaving "):]
        printed = REPORT_COUNTS.search(saved)
        if not printed:
            return f"no save report: {shown}"

        with open(out, "rb") as f:
            text = f.read().decode("latin-1")
        skipped = set()
        for match in re.finditer(r"^(?:Circular reference to|Nesting too deep at) (.*)$",
                                 stdout, re.M):
            skipped.add(match.group(1))
        on_removed_side = removed_side_test(options) if "-ca" in options else None
        for line in text.split("\r\n"):
            fields = line.split()
            if not fields:
                continue
            if "-s" in options and fields[0] == "1":
                name = line.split(None, 14)[14] if len(fields) >= 15 else ""
                if name not in skipped and resolvable(name):
                    return f"reference left to {name}: {shown}"
            if on_removed_side and fields[0] in "12345":
                if any(on_removed_side(p) for p in points_of(fields)):
                    return f"vertex on the removed side in '{line}': {shown}"

        # The program's own reader must find what the save report counted.
        try:
            reread = subprocess.run([halvex, "-d0", "-x+", out, os.devnull],
                                    stdin=subprocess.DEVNULL, capture_output=True,
                                    timeout=TIMEOUT_SECONDS)
        except (OSError, subprocess.TimeoutExpired):
            return f"output could not be read back: {shown}"
        loaded = REPORT_COUNTS.search(reread.stdout.decode("latin-1"))
        if reread.returncode != 0 or not loaded:
            return f"output does not read back: {shown}"
        if loaded.groups() != printed.groups():
            return (f"read back {'/'.join(loaded.groups())}, saved "
                    f"{'/'.join(printed.groups())}: {shown}")
    return None


def start_worker(lib, program, files):
    global library, halvex, known_files
    library, halvex, known_files = lib, program, files


def main():
    # Option sets begin with "-", so the sweep's own options are the ones
    # that begin with "--".
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("library")
    parser.add_argument("--halvex", required=True)
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 2)
    parser.add_argument("--limit", type=int, default=0, help="only the first N parts")
    own = [a for a in sys.argv[1:] if a.startswith("--") or not a.startswith("-")]
    option_sets = [a for a in sys.argv[1:] if a.startswith("-") and not a.startswith("--")]
    args, rest = parser.parse_known_args(own)
    option_sets += [a for a in rest if a != args.library]
    # Unless others are given, the sets of tools/comparison_inputs.sh.
    option_sets = option_sets or shared_option_sets("SWEEP_OPTION_SETS")

    lib = os.path.realpath(args.library)
    parts_dir = os.path.join(lib, "parts")
    parts = sorted(os.path.join(parts_dir, n) for n in os.listdir(parts_dir)
                   if n.lower().endswith(".dat"))
    if args.limit:
        parts = parts[:args.limit]
    jobs = [(part, options) for options in option_sets for part in parts]

    started = time.monotonic()
    failures = []
    with Pool(args.jobs, start_worker, (lib, os.path.realpath(args.halvex),
                                        index_library(lib))) as pool:
        for failure in pool.imap_unordered(check, jobs, chunksize=8):
            if failure:
                failures.append(failure)
                print(failure, flush=True)
    seconds = time.monotonic() - started
    print(f"{len(jobs)} runs, {len(failures)} failed")
    print(f"wall time {seconds:.0f} s on {args.jobs} workers")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
