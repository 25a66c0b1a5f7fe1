#!/usr/bin/env python3
"""Runs Halvex on every part of an LDraw library and checks what must hold
whatever the part. See tools/library_sweep.sh for the command line.

With --partial, each option set (given without -s) runs instead with -e
and with -s on each part, and the -e output, expanded again with -s and a
plane that removes nothing, must hold the faces and lines of the -s output:
the same corners (within 0.002), colours, front sides and culling, worked
out by tools/bfc_check.py. The sizes of the two outputs are summed up at the
end."""

import argparse
import os
import random
import re
import shlex
import subprocess
import sys
import tempfile
import time
from collections import Counter
from multiprocessing import Pool

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import bfc_check  # noqa: E402


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


def execute(command):
    """Runs a command with no input and its output kept; answers the run,
    the command as shown in failures, and a failure text when it did not
    run to its end."""
    shown = " ".join(shlex.quote(c) for c in command)
    try:
        run = subprocess.run(command, stdin=subprocess.DEVNULL, capture_output=True,
                             timeout=TIMEOUT_SECONDS)
    except subprocess.TimeoutExpired:
        return None, shown, f"timeout after {TIMEOUT_SECONDS} s: {shown}"
    except OSError as error:
        return None, shown, f"could not run ({error.strerror}): {shown}"
    return run, shown, None


def check(job):
    """Runs one part with one option set; returns None or a failure text."""
    part, option_text = job
    options = shlex.split(option_text)
    with tempfile.TemporaryDirectory(prefix="halvex-sweep-") as work:
        out = os.path.join(work, "out.dat")
        command = [halvex] + options + ["-l", library, part, out]
        run, shown, failure = execute(command)
        if failure:
            return failure
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


# A plane far beyond any part, with deletion off: -s with it only expands.
EXPAND_ONLY = ["-s", "-d0", "-x++", "1000000"]
SPLITTER_FILE = None


def run_halvex(options, inputs, out):
    """Runs Halvex on the input files `inputs`; None, or a failure text."""
    run, shown, failure = execute([halvex] + options + ["-l", library] + inputs + [out])
    if failure:
        return failure
    if run.returncode != 0 or not os.path.isfile(out):
        return f"exit code {run.returncode}: {shown}"
    return None


class NoLibrary:
    """The references left in a flat file are those no library resolves."""

    def find(self, name):
        return None


def flat_contents(path):
    """The faces of a flat file as bfc_check works them out, its lines as
    faces never culled, and the count of each line type and colour."""
    faces = bfc_check.Faces(NoLibrary()).read(path, (path,))
    lines = []
    colours = Counter()
    with open(path, "rb") as f:
        for line in f.read().decode("latin-1").splitlines():
            fields = line.split()
            if not fields or fields[0] not in ("1", "2", "3", "4", "5"):
                continue
            colours[(fields[0], fields[1] if len(fields) > 1 else "")] += 1
            if fields[0] in ("2", "5"):
                try:
                    v = [float(t) for t in fields[2:8]]
                except ValueError:
                    continue
                if len(v) == 6:
                    lines.append(((tuple(v[:3]), tuple(v[3:])), 0, False))
    return faces, lines, colours


TOLERANCE = 0.002
# Numbers are printed with six significant digits: a kept reference's
# placement is rounded so, and the corners it places are rounded again when
# they are printed. Each rounding may move a coordinate by half a unit in
# its sixth digit, up to 5e-6 of its size: near 1,000 that is 0.005, beyond
# TOLERANCE alone (parts/6378.dat places a subpart at x = 1108.5125).
RELATIVE_TOLERANCE = 1e-5


def near(c1, c2):
    """Whether the corners c1 and c2 are the same in any order, each
    coordinate within TOLERANCE plus RELATIVE_TOLERANCE of its size."""
    def close(p, q):
        return all(abs(p[k] - q[k]) <= TOLERANCE + RELATIVE_TOLERANCE * max(abs(p[k]), abs(q[k]))
                   for k in range(3))
    return len(c1) == len(c2) and all(any(close(p, q) for q in c2) for p in c1) and all(
        any(close(p, q) for q in c1) for p in c2)


def matched(expected, found):
    """Pairs the faces (or lines, as faces never culled) of two flat files,
    (corners, front, culled) as tools/bfc_check.py gives them: corners
    near (see near) in any order, whatever the rounding of their printed
    forms. Counts those paired with the same front side and culling, those
    paired otherwise ("flipped", "culling changed"), "missing" and "extra".

    Nearness is not transitive: slivers a cut leaves may lie within the
    tolerance of two others, and a first-come pairing then left one of them
    over although a full pairing existed. The pairs are found as a maximum
    matching (augmenting paths), over the candidates near each item."""
    def prepared(items):
        out = []
        for corners, front, culled in items:
            n = bfc_check.newell(corners)
            out.append((corners, (n[0] * front, n[1] * front, n[2] * front), culled))
        return out

    # Cells of 0.1: items near each other lie in neighbouring cells while
    # coordinates stay below 10,000.
    def cell(corners):
        return tuple(round(sum(p[k] for p in corners) / len(corners) * 10) for k in range(3))

    found = prepared(found)
    expected = prepared(expected)
    grid = {}
    for k, item in enumerate(found):
        grid.setdefault(cell(item[0]), []).append(k)

    def around(corners):
        """The cell of corners and its 26 neighbours."""
        c = cell(corners)
        for dx in (-1, 0, 1):
            for dy in (-1, 0, 1):
                for dz in (-1, 0, 1):
                    yield (c[0] + dx, c[1] + dy, c[2] + dz)

    def near_items(item):
        for key in around(item[0]):
            for k in grid.get(key, ()):
                if near(item[0], found[k][0]):
                    yield k

    def same_state(item, other):
        # A face without area (two corners alike) has no front side: only
        # its culling is compared. That holds when either of the two has
        # none: a sliver printed with six digits may come out with two
        # corners alike in one file and a few millionths wide in the other,
        # and its side there says nothing about the face it was cut from.
        flat = not any(item[1]) or not any(other[1])
        return other[2] == item[2] and (
            not item[2] or flat or bfc_check.dot(item[1], other[1]) > 0)

    partner = {}  # found index -> expected index
    # Most items are printed alike in both files: those pair off by their
    # exact value, without a search.
    exact = {}
    for k, item in enumerate(found):
        exact.setdefault(item, []).append(k)
    free = {c: list(ks) for c, ks in grid.items()}  # by cell; paired ones skipped

    def first_come(e):
        """Pairs expected item e with the first free alike item near it."""
        same = exact.get(expected[e])
        while same:
            k = same.pop()
            if k not in partner:
                partner[k] = e
                return True
        for key in around(expected[e][0]):
            bucket = free.get(key, [])
            for i, k in enumerate(bucket):
                if k not in partner and near(expected[e][0], found[k][0]) and \
                        same_state(expected[e], found[k]):
                    partner[bucket.pop(i)] = e
                    return True
        return False

    alike = {}

    def alike_items(e):
        if e not in alike:
            alike[e] = [k for k in near_items(expected[e]) if same_state(expected[e], found[k])]
        return alike[e]

    def pair(e, visited):
        """An augmenting path from expected item e, for those first come
        left over: an alike item is taken from the item it was paired with
        when that one can be paired otherwise."""
        for k in alike_items(e):
            if k in visited:
                continue
            visited.add(k)
            if k not in partner or pair(partner[k], visited):
                partner[k] = e
                return True
        return False

    left = [e for e in range(len(expected)) if not first_come(e)]
    left = [e for e in left if not pair(e, set())]
    counts = Counter()
    for e in left:
        other = next((k for k in near_items(expected[e]) if k not in partner), None)
        if other is None:
            counts["missing"] += 1
        else:
            partner[other] = e
            counts["culling changed" if found[other][2] != expected[e][2] else "flipped"] += 1
    counts["extra"] += len(found) - len(partner)
    return counts


def line_count(path):
    with open(path, "rb") as f:
        return sum(1 for line in f.read().split(b"\r\n") if line.strip())


def check_partial(job):
    """Runs one part with -e and with -s; returns (failure or None, lines of
    the -e output, lines of the -s output). SPLITTER in the option set
    stands for the splitter file."""
    part, option_text = job
    options = shlex.split(option_text)
    inputs = [part] + ([SPLITTER_FILE] if "SPLITTER" in options else [])
    options = [o for o in options if o != "SPLITTER"]
    with tempfile.TemporaryDirectory(prefix="halvex-partial-") as work:
        partial, full, again = (os.path.join(work, n) for n in ("e.dat", "s.dat", "es.dat"))
        for first, out in (("-e", partial), ("-s", full)):
            failure = run_halvex([first] + options, inputs, out)
            if failure:
                return failure, 0, 0, None
        failure = run_halvex(EXPAND_ONLY, [partial], again)
        if failure:
            return failure, 0, 0, None
        faces_a, lines_a, colours_a = flat_contents(again)
        faces_b, lines_b, colours_b = flat_contents(full)
        counts = matched(faces_b, faces_a)
        counts.update({"line " + k: v for k, v in matched(lines_b, lines_a).items()})
        problems = [f"{v} {k}" for k, v in sorted(counts.items()) if v]
        if colours_a != colours_b:
            problems.append("line types and colours differ")
        if problems:
            return f"{', '.join(problems)}: -e {option_text} {part}", 0, 0, None
        return None, line_count(partial), line_count(full), f"{option_text} {part}"


def start_worker(lib, program, files, splitter_file=None):
    global library, halvex, known_files, SPLITTER_FILE
    library, halvex, known_files = lib, program, files
    SPLITTER_FILE = splitter_file


def main():
    # Option sets begin with "-", so the sweep's own options are the ones
    # that begin with "--".
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("library")
    parser.add_argument("--halvex", required=True)
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 2)
    parser.add_argument("--limit", type=int, default=0, help="only the first N parts")
    parser.add_argument("--sample", type=int, default=0, help="only N parts chosen at random")
    parser.add_argument("--seed", type=int, default=19)
    parser.add_argument("--partial", action="store_true",
                        help="check -e against -s (sets PARTIAL_OPTION_SETS by default)")
    parser.add_argument("--skip-missing", action="store_true",
                        help="exit 77 (a skipped test to ctest) when the library is not there")
    own = [a for a in sys.argv[1:] if a.startswith("--") or not a.startswith("-")]
    option_sets = [a for a in sys.argv[1:] if a.startswith("-") and not a.startswith("--")]
    args, rest = parser.parse_known_args(own)
    option_sets += [a for a in rest if a != args.library]
    # Unless others are given, the sets of tools/comparison_inputs.sh.
    option_sets = option_sets or shared_option_sets(
        "PARTIAL_OPTION_SETS" if args.partial else "SWEEP_OPTION_SETS")

    lib = os.path.realpath(args.library)
    parts_dir = os.path.join(lib, "parts")
    if args.skip_missing and not os.path.isdir(parts_dir):
        print(f"No library at {args.library}: skipped")
        return 77
    parts = sorted(os.path.join(parts_dir, n) for n in os.listdir(parts_dir)
                   if n.lower().endswith(".dat"))
    if args.limit:
        parts = parts[:args.limit]
    if args.sample:
        parts = sorted(random.Random(args.seed).sample(parts, min(args.sample, len(parts))))
    jobs = [(part, options) for options in option_sets for part in parts]

    started = time.monotonic()
    failures = []
    ratios = []
    with tempfile.TemporaryDirectory(prefix="halvex-sweep-inputs-") as inputs:
        subprocess.run(["bash", "-c", f'source "{HERE}/comparison_inputs.sh" && '
                        f'write_comparison_inputs "{inputs}"'], check=True)
        worker_args = (lib, os.path.realpath(args.halvex), index_library(lib),
                       os.path.join(inputs, "splitter.dat"))
        with Pool(args.jobs, start_worker, worker_args) as pool:
            if args.partial:
                for failure, partial, full, run in pool.imap_unordered(check_partial, jobs,
                                                                       chunksize=4):
                    if full:
                        ratios.append((partial / full, partial, full, run))
                    if failure:
                        failures.append(failure)
                        print(failure, flush=True)
            else:
                for failure in pool.imap_unordered(check, jobs, chunksize=8):
                    if failure:
                        failures.append(failure)
                        print(failure, flush=True)
    seconds = time.monotonic() - started
    print(f"{len(jobs)} runs, {len(failures)} failed")
    if ratios:
        ratios.sort()
        for name, (ratio, partial, full, run) in (("median", ratios[len(ratios) // 2]),
                                                  ("largest", ratios[-1]),
                                                  ("smallest", ratios[0])):
            print(f"lines of the -e output against -s, {name}: {ratio:.3f} "
                  f"({partial} against {full}, {run})")
    print(f"wall time {seconds:.0f} s on {args.jobs} workers")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
