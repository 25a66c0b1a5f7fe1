#!/usr/bin/env python3
"""Runs Halvex with and without -a on the parts of an LDraw library and checks
what -a promises:

- the check of -k on the -a output reports no error by a rule that it does
  not report as often on the input fully placed (expanded with -s and a
  plane that removes nothing);
- no stretch of a polygon's edge in a cut plane lies uncovered by an edge
  line or by a polygon lying in the plane where the input's polygons closed
  the part (axis planes and the planes of the splitter file);
- the output, fully inlined (an -e output expanded again), has the faces of
  the run without -a: same front side and culling, corners within 0.0002 (plus
  the rounding of the six-digit numbers of the run without -a; its
  references placed with the -a output's numbers), apart from
  the pieces -a reports tiled anew or dropped; its lines are those of the run
  without -a plus the outlines, less the duplicates it reports removed.

Prints the findings per rule and severity without and with -a, summed over
every run, each part that breaks a promise, and the time taken.

  tools/author_sweep.py --halvex build/halvex [--sample N | --parts A.dat ...]
      [--piece K/N] [--summary FILE.json] [--jobs 2] LIBDIR
  tools/author_sweep.py --merge FILE.json ...

The library can be swept a piece at a time (`--piece 3/8`), each piece's sums
kept with `--summary`, and the pieces put together with `--merge`.
"""

import argparse
import json
import os
import random
import re
import subprocess
import sys
import tempfile
import time
from collections import Counter
from multiprocessing import Pool

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import library_sweep  # noqa: E402

# The option sets; SPLITTER stands for the splitter file below.
OPTION_SETS = ["-s -x+ -ca", "-s -z- -ca", "-e -x+ -ca", "-s -ca SPLITTER"]
# Two planes: x = 0 (keeping x < 0, its corners clockwise seen from x > 0)
# and the oblique plane x + z = 8.
SPLITTER_TEXT = "3 16 0 0 0 0 10 0 0 0 10\r\n3 16 8 0 0 0 0 8 8 10 0\r\n"
SPLITTER_PLANES = [((1.0, 0.0, 0.0), 0.0), ((1.0, 0.0, 1.0), 8.0)]
AXIS_PLANES = {"-x+": ((1.0, 0.0, 0.0), 0.0), "-z-": ((0.0, 0.0, 1.0), 0.0)}
TOLERANCE = 0.0002
COUNT = re.compile(r"^  ([a-z-]+): (?:(\d+) errors?)?(?:, )?(?:(\d+) warnings?)?$")
REPORT = re.compile(r"^(\d+) (Outline edge lines added|Coordinates rounded|Polygons tiled anew|"
                    r"Pieces of no size dropped|Duplicate lines removed|"
                    r"Pieces too thin to tile within the rules)$", re.M)
# A point of a rounded output lies within this of its plane.
IN_PLANE = 2e-4
# An edge line within this of a stretch's line covers it: the overlap
# distance of the check (0.001), plus the bend of a boundary that the cut
# left in several nearly collinear pieces, which the program joins into one
# line before it compares.
COVER = 0.003
# Uncovered stretches up to this long are the ends the outline leaves out
# below the overlap distance, and the rounding of the check.
SHORT = 0.002
# How far along an uncovered stretch, each way from its middle, a polygon
# must hold it to count as meeting it: well beyond COVER, so that a polygon
# with only a corner at the middle does not count, and short beside the
# stretches that matter.
ALONG = 0.02

library = None
halvex = None
splitter_file = None


def run(args, cwd=None):
    return subprocess.run([halvex] + args, stdin=subprocess.DEVNULL, capture_output=True,
                          cwd=cwd, timeout=300)


def findings(args):
    """Counter of (rule, severity) of a -k run."""
    out = run(["-k"] + args).stdout.decode("latin-1")
    counts = Counter()
    for line in out.splitlines():
        m = COUNT.match(line)
        if m:
            if m.group(2):
                counts[(m.group(1), "error")] += int(m.group(2))
            if m.group(3):
                counts[(m.group(1), "warning")] += int(m.group(3))
    return counts


def numbers(fields):
    try:
        return [float(t) for t in fields]
    except ValueError:
        return None


def read_flat(path):
    """The polygons (corner lists) and edge lines of a flat file."""
    polygons, edges = [], []
    with open(path, "rb") as f:
        for line in f.read().decode("latin-1").splitlines():
            fields = line.split()
            if not fields:
                continue
            if fields[0] in ("3", "4"):
                v = numbers(fields[2:2 + 3 * int(fields[0])])
                if v and len(v) == 3 * int(fields[0]):
                    polygons.append([tuple(v[k:k + 3]) for k in range(0, len(v), 3)])
            elif fields[0] == "2":
                v = numbers(fields[2:8])
                if v and len(v) == 6:
                    edges.append((tuple(v[:3]), tuple(v[3:])))
    return polygons, edges


def sub(a, b):
    return [a[k] - b[k] for k in range(3)]


def cross(u, v):
    return [u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]]


def dot(u, v):
    return sum(u[k] * v[k] for k in range(3))


def touches(corners, m):
    """How the point m lies on the polygon, within COVER: 0 not at all, 1 on
    an edge, 2 inside it."""
    for k in range(len(corners)):
        a, b = corners[k], corners[(k + 1) % len(corners)]
        d = sub(b, a)
        n = dot(d, d)
        t = 0.0 if n == 0 else max(0.0, min(1.0, dot(sub(m, a), d) / n))
        q = [a[i] + t * d[i] for i in range(3)]
        if dot(sub(m, q), sub(m, q)) ** 0.5 <= COVER:
            return 1
    normal = cross(sub(corners[1], corners[0]), sub(corners[2], corners[0]))
    size = dot(normal, normal) ** 0.5
    if size == 0 or abs(dot(sub(m, corners[0]), normal)) / size > COVER:
        return 0
    sides = [dot(cross(sub(corners[(k + 1) % len(corners)], corners[k]), sub(m, corners[k])),
                 normal) for k in range(len(corners))]
    return 2 if all(x >= 0 for x in sides) or all(x <= 0 for x in sides) else 0


def uncovered_edges(path, planes, opened):
    """Stretches (count, total length) of polygon edges lying in one of
    `planes` that no edge line covers, where `opened(midpoint, on, distance)` says the
    cut opened the part (`on` tells whether a point lies in the plane)."""
    polygons, edges = read_flat(path)
    count, length = 0, 0.0
    for normal, offset in planes:
        size = sum(c * c for c in normal) ** 0.5

        def distance(p):
            return (sum(p[k] * normal[k] for k in range(3)) - offset) / size

        def on(p):
            return abs(distance(p)) <= IN_PLANE

        # A polygon lying in the plane closes the edges it shares with the
        # others: the cut has not opened the part there.
        closing = list(edges)
        for corners in polygons:
            if all(on(p) for p in corners):
                closing += [(corners[k], corners[(k + 1) % len(corners)])
                            for k in range(len(corners))]
        for corners in polygons:
            if all(on(p) for p in corners):
                continue
            for k in range(len(corners)):
                a, b = corners[k], corners[(k + 1) % len(corners)]
                if on(a) and on(b):
                    open_length, middle = uncovered(a, b, closing)
                    if open_length > SHORT and opened(middle, sub(b, a), on, distance):
                        count += 1
                        length += open_length
    return count, length


def uncovered(a, b, edges):
    d = [b[k] - a[k] for k in range(3)]
    n = sum(c * c for c in d) ** 0.5
    if n < COVER:
        return 0.0, None
    d = [c / n for c in d]

    def along(p):
        return sum((p[k] - a[k]) * d[k] for k in range(3))

    def off(p):
        t = along(p)
        return sum((p[k] - a[k] - t * d[k]) ** 2 for k in range(3)) ** 0.5

    def off_line(x, p, q):
        """The distance from x to the line through p and q."""
        e = sub(q, p)
        length = dot(e, e) ** 0.5
        if length == 0:
            return dot(sub(x, p), sub(x, p)) ** 0.5
        return dot(cross(e, sub(x, p)), cross(e, sub(x, p))) ** 0.5 / length

    # Only an edge whose box, grown by COVER, meets the stretch's can cover
    # part of it: the part of its line within COVER of the stretch lies in
    # that box.
    low = [min(a[k], b[k]) - 2 * COVER for k in range(3)]
    high = [max(a[k], b[k]) + 2 * COVER for k in range(3)]
    spans = []
    for p, q in edges:
        if (max(p[0], q[0]) < low[0] or min(p[0], q[0]) > high[0] or
                max(p[1], q[1]) < low[1] or min(p[1], q[1]) > high[1] or
                max(p[2], q[2]) < low[2] or min(p[2], q[2]) > high[2]):
            continue
        # Measured from the longer of the two lines, whose direction the
        # rounding of its ends bends least.
        if (off(p) <= COVER and off(q) <= COVER) or (
                off_line(a, p, q) <= COVER and off_line(b, p, q) <= COVER):
            t0, t1 = sorted((along(p), along(q)))
            if t1 > 0 and t0 < n:
                spans.append((max(t0, 0.0), min(t1, n)))
    spans.sort()
    t, open_length, middle = 0.0, 0.0, None
    for t0, t1 in spans:
        if t0 > t:
            open_length += t0 - t
            middle = middle or (t + t0) / 2
        t = max(t, t1)
    if n > t:
        open_length += n - t
        middle = middle or (t + n) / 2
    point = None if middle is None else tuple(a[k] + middle * d[k] for k in range(3))
    return open_length, point


def adopt_references(source, numbers, target):
    """Copies the LDraw file `source` to `target`, each reference line with
    the position and matrix of the reference line at the same rank in
    `numbers` where that places the same file."""
    def lines(path):
        with open(path, "rb") as f:
            return f.read().decode("latin-1").splitlines()

    def is_reference(fields):
        return len(fields) >= 15 and fields[0] == "1"

    theirs = [fields for fields in (line.split() for line in lines(numbers))
              if is_reference(fields)]
    out, rank = [], 0
    for line in lines(source):
        fields = line.split()
        if is_reference(fields):
            if rank < len(theirs) and theirs[rank][14:] == fields[14:]:
                fields[2:14] = theirs[rank][2:14]
                line = " ".join(fields)
            rank += 1
        out.append(line)
    with open(target, "wb") as f:
        f.write(("\r\n".join(out) + "\r\n").encode("latin-1"))


def check_part(part):
    """The four option sets on one part: the input is placed and checked once."""
    with tempfile.TemporaryDirectory(prefix="halvex-author-") as work:
        # The input fully placed: expanded, with a plane that removes nothing.
        flat_in = os.path.join(work, "input_s.dat")
        run(library_sweep.EXPAND_ONLY + ["-l", library, part, flat_in])
        counts_input = findings([flat_in])
        source = []
        results = [check(part, options, flat_in, counts_input, source)
                   for options in OPTION_SETS]
    return os.path.basename(part), results


def check(part, option_text, flat_in, counts_input, source):
    """One option set on a part, `flat_in` being the part fully placed, with
    the findings `counts_input` of -k on it; `source` keeps its polygons once
    read."""
    options = option_text.split()
    inputs = [part] + ([splitter_file] if "SPLITTER" in options else [])
    options = [o for o in options if o != "SPLITTER"]
    planes = SPLITTER_PLANES if splitter_file in inputs else [
        AXIS_PLANES[o] for o in options if o in AXIS_PLANES]
    result = {"counts_without": Counter(), "counts_with": Counter(), "counts_input": Counter(),
              "problems": [], "report": Counter(), "faces": Counter()}
    with tempfile.TemporaryDirectory(prefix="halvex-author-") as work:
        plain, author = os.path.join(work, "plain.dat"), os.path.join(work, "author.dat")
        r0 = run(options + ["-l", library] + inputs + [plain])
        r1 = run(options + ["-a", "-l", library] + inputs + [author])
        if r0.returncode != 0 or r1.returncode != 0:
            result["problems"].append(f"exit codes {r0.returncode} {r1.returncode}")
            return option_text, result
        for m in REPORT.finditer(r1.stdout.decode("latin-1")):
            result["report"][m.group(2)] += int(m.group(1))
        result["counts_input"] = counts_input
        kept = ["-s", "-l", library] if "-e" in options else []
        result["counts_without"] = findings(kept + [plain])
        result["counts_with"] = findings(kept + [author])
        new = [f"{rule} {n} > {result['counts_input'][(rule, sev)]}"
               for (rule, sev), n in result["counts_with"].items()
               if sev == "error" and n > result["counts_input"][(rule, sev)]]
        if new:
            result["problems"].append("new errors: " + ", ".join(sorted(new)))
        flat0, flat1 = plain, author
        if "-e" in options:
            flat0, flat1 = os.path.join(work, "plain_s.dat"), os.path.join(work, "author_s.dat")
            # -a writes a reference's matrix with five places, the Parts
            # Tracker's limit, and its position with four (the run without
            # -a both with six significant digits), which moves what it
            # places by up to some 1e-5 of its size: the run without -a is
            # compared with the numbers of the -a output's references, in
            # the same order, and everything else to TOLERANCE.
            plain_adopted = os.path.join(work, "plain_adopted.dat")
            adopt_references(plain, author, plain_adopted)
            run(library_sweep.EXPAND_ONLY + ["-l", library, plain_adopted, flat0])
            run(library_sweep.EXPAND_ONLY + ["-l", library, author, flat1])

        def opened(middle, direction, on, distance):
            # The part was closed there when a polygon of it, placed, ran
            # across the point or two met at it, none of them lying in the
            # plane (a face in the plane closes what it touches). A polygon
            # counts when it holds the stretch on both sides of the point,
            # not one that meets it at a corner only (32495.dat: a cone
            # standing on the ridge that the stretch runs along).
            if not source:
                source.append(read_flat(flat_in)[0])
            size = dot(direction, direction) ** 0.5
            step = [c * ALONG / size for c in direction]
            before = [middle[k] - step[k] for k in range(3)]
            after = [middle[k] + step[k] for k in range(3)]
            touching = [c for c in source[0]
                        if touches(c, middle) and touches(c, before) and touches(c, after)]
            if any(all(on(p) for p in c) for c in touching):
                return False
            # And the plane went through the part there: polygons met at
            # the point from both sides of it. Where they all lie on one
            # side, the plane only touches the part (a rail tangent to it,
            # 2214.dat), and nothing was opened.
            sides = {distance(p) > 0 for c in touching for p in c if abs(distance(p)) > IN_PLANE}
            return len(sides) == 2 and sum(touches(c, middle) for c in touching) >= 2

        count, length = uncovered_edges(flat1, planes, opened)
        if count:
            result["problems"].append(f"{count} edges uncovered along the cut, {length:.4f} LDU")
        faces0, lines0, _ = library_sweep.flat_contents(flat0)
        faces1, lines1, _ = library_sweep.flat_contents(flat1)
        faces = library_sweep.matched(faces0, faces1)
        lines = library_sweep.matched(lines0, lines1)
        result["faces"].update({"face " + k: v for k, v in faces.items() if v})
        result["faces"].update({"line " + k: v for k, v in lines.items() if v})
        report = result["report"]
        retiled = report["Polygons tiled anew"]
        removed = report["Duplicate lines removed"] + report["Pieces of no size dropped"]
        face_changes = sum(v for k, v in faces.items())
        # Without tiling, faces and lines may only be missing, as many as
        # the duplicates removed and the pieces dropped.
        if not retiled and (faces["extra"] or faces["flipped"] or faces["culling changed"] or
                            faces["missing"] + lines["missing"] > removed):
            result["problems"].append(f"faces differ without tiling: {dict(faces)}")
        extra_lines = lines["extra"] - report["Outline edge lines added"]
        if extra_lines > 0 or lines["missing"] > removed or lines["flipped"] or \
                lines["culling changed"]:
            result["problems"].append(f"lines differ: {dict(lines)}")
        if face_changes and retiled:
            result["faces"]["parts with faces tiled anew"] += 1
        else:
            result["faces"]["parts with the same faces"] += 1
    return option_text, result


def start_worker(lib, program, splitter):
    global library, halvex, splitter_file
    library, halvex, splitter_file = lib, program, splitter
    library_sweep.TOLERANCE = TOLERANCE


def table(title, counts):
    print(title)
    rules = sorted({rule for rule, _ in counts})
    for rule in rules:
        print(f"  {rule}: {counts[(rule, 'error')]} errors, {counts[(rule, 'warning')]} warnings")


COUNTED = ("counts_input", "counts_without", "counts_with", "report", "faces")


def new_summary():
    return {"parts": 0, "runs": 0, "failed": 0, "seconds": 0.0, "workers": 0,
            "totals": {key: Counter() for key in COUNTED},
            "by_set": {options: Counter() for options in OPTION_SETS}, "problems": []}


def save_summary(summary, path):
    """Writes a summary as JSON, the (rule, severity) keys as "rule severity"."""
    def keys(counter):
        return {" ".join(k) if isinstance(k, tuple) else k: v for k, v in counter.items()}
    data = dict(summary, totals={k: keys(v) for k, v in summary["totals"].items()},
                by_set={k: dict(v) for k, v in summary["by_set"].items()})
    with open(path, "w") as f:
        json.dump(data, f, indent=1, sort_keys=True)


def add_saved(summary, path):
    """Adds the summary saved in `path` to `summary`."""
    with open(path) as f:
        data = json.load(f)
    for key in ("parts", "runs", "failed", "seconds", "problems"):
        summary[key] += data[key]
    summary["workers"] = max(summary["workers"], data["workers"])
    for key, counts in data["totals"].items():
        for k, v in counts.items():
            fields = k.split(" ")
            tuple_key = key.startswith("counts_") and len(fields) == 2
            summary["totals"][key][tuple(fields) if tuple_key else k] += v
    for options, counts in data["by_set"].items():
        summary["by_set"].setdefault(options, Counter()).update(counts)


def print_summary(summary):
    totals = summary["totals"]
    print(f"{summary['parts']} parts, {summary['runs']} runs, {summary['failed']} with a problem")
    for options, counts in summary["by_set"].items():
        print(f"  {options}: {counts['runs']} runs, {counts['failed']} with a problem")
    table("Findings on the inputs fully placed, summed over the runs:", totals["counts_input"])
    table("Findings on the outputs without -a:", totals["counts_without"])
    table("Findings on the outputs with -a:", totals["counts_with"])
    print("What -a reported:")
    for key, value in sorted(totals["report"].items()):
        print(f"  {value} {key}")
    print("Faces and lines against the run without -a:")
    for key, value in sorted(totals["faces"].items()):
        print(f"  {key}: {value}")
    print(f"time {summary['seconds']:.0f} s of wall time on {summary['workers']} workers")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("library", nargs="?")
    parser.add_argument("--halvex")
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--sample", type=int, default=0)
    parser.add_argument("--seed", type=int, default=23)
    parser.add_argument("--parts", nargs="+", help="only these parts (names under parts/)")
    parser.add_argument("--piece", help="K/N: the K-th of N pieces of the parts (by name)")
    parser.add_argument("--summary", help="also write the sums to this JSON file")
    parser.add_argument("--merge", nargs="+", metavar="SUMMARY",
                        help="print the sums of these JSON summaries instead of running")
    args = parser.parse_args()
    summary = new_summary()
    if args.merge:
        for path in args.merge:
            add_saved(summary, path)
        for line in summary["problems"]:
            print(line)
        print_summary(summary)
        return 1 if summary["failed"] else 0
    if not args.library or not args.halvex:
        parser.error("LIBDIR and --halvex are needed unless --merge is given")
    lib = os.path.realpath(args.library)
    parts_dir = os.path.join(lib, "parts")
    parts = sorted(os.path.join(parts_dir, n) for n in os.listdir(parts_dir)
                   if n.lower().endswith(".dat"))
    if args.parts:
        parts = [os.path.join(parts_dir, name) for name in args.parts]
    elif args.sample:
        parts = sorted(random.Random(args.seed).sample(parts, min(args.sample, len(parts))))
    if args.piece:
        k, n = (int(x) for x in args.piece.split("/"))
        if not 1 <= k <= n:
            parser.error("--piece K/N needs 1 <= K <= N")
        parts = parts[len(parts) * (k - 1) // n:len(parts) * k // n]
    started = time.monotonic()
    summary["parts"], summary["workers"] = len(parts), args.jobs
    totals, by_set = summary["totals"], summary["by_set"]
    with tempfile.TemporaryDirectory(prefix="halvex-author-sweep-") as inputs:
        splitter = os.path.join(inputs, "splitter.dat")
        with open(splitter, "wb") as f:
            f.write(SPLITTER_TEXT.encode())
        with Pool(args.jobs, start_worker, (lib, os.path.realpath(args.halvex), splitter)) as pool:
            for name, results in pool.imap_unordered(check_part, parts):
                for options, result in results:
                    for key in totals:
                        totals[key].update(result[key])
                    summary["runs"] += 1
                    by_set[options]["runs"] += 1
                    if result["problems"]:
                        summary["failed"] += 1
                        by_set[options]["failed"] += 1
                        line = f"{options} {name}: {'; '.join(result['problems'])}"
                        summary["problems"].append(line)
                        print(line, flush=True)
    summary["seconds"] = time.monotonic() - started
    print_summary(summary)
    if args.summary:
        save_summary(summary, args.summary)
    return 1 if summary["failed"] else 0


if __name__ == "__main__":
    sys.exit(main())
