#!/usr/bin/env python3
"""Checks that a part flattened by Halvex (-s) is culled as the original is.

For every part it runs `halvex -s -d0` with a plane that removes nothing,
then works out, from the LDraw rules for back-face culling, every face
(triangle or quadrilateral) of the part read with its library and of the
flat file: its corners in world coordinates, its front side and whether it
is culled. It matches the faces of the two and counts those flipped (culled
in both, front sides opposite), those whose culling changed, and those
missing from or extra in the flat file. See tools/README.md.

    python3 tools/bfc_check.py --halvex build/halvex LIBDIR [PART ...]
        [--list FILE] [--all | --sample N] [--seed S] [--jobs 2]

Without PART arguments every LIBDIR/parts/*.dat is checked, in random order
(--sample N checks N of them; --all checks every part after those named). Standard library only.

The rules, as read here: a file is certified when, of the BFC CERTIFY and
NOCERTIFY statements before its first drawing line, the last is a CERTIFY. Its
polygons wind counter-clockwise until a statement says CW (CERTIFY CW
included), and again after CCW or CERTIFY alone; CLIP is in effect until
NOCLIP, and again after CLIP. A statement is a type 0 line whose first word
is BFC and whose other words are all BFC keywords, in any case. BFC
INVERTNEXT inverts the next type 1 line of the same file. A face is culled
when its file is certified with CLIP in effect and every reference on its
way down was written in a certified file with CLIP in effect. Its front
side is given by its winding, reversed once for each inversion on its way
down and once more when its full placement mirrors (negative determinant).
"""

import argparse
import gc
import os
import random
import subprocess
import sys
import tempfile
import time
from collections import Counter, defaultdict
from multiprocessing import Pool

KEYWORDS = {"CERTIFY", "NOCERTIFY", "CW", "CCW", "CLIP", "NOCLIP", "INVERTNEXT"}
# Halvex is run with deletion off and an axis plane far beyond any part, so
# that no vertex is snapped onto it.
HALVEX_OPTIONS = ["-s", "-d0", "-x++", "1000000"]
TIMEOUT_SECONDS = 300
# Faces whose corners agree within this distance are the same face when
# their printed forms differ in the last digit.
TOLERANCE = 0.002
# Coordinates smaller than this are taken as 0: a product of placements may
# leave 1e-17 where the printed file says 0.
ZERO = 1e-6
# The most faces the cache of subfiles holds before it is emptied.
CACHE_FACES = 2_000_000


class Library:
    """Finds files as Halvex does for a part of LIBDIR/parts: below the
    part's folder (., p, s), then below the library (p, parts, parts/s),
    without regard to case, with "\\" as separator."""

    def __init__(self, root):
        self.root = root
        self.files = {}
        for folder, _, names in os.walk(root):
            for name in names:
                path = os.path.join(folder, name)
                rel = os.path.relpath(path, root).replace(os.sep, "/").lower()
                self.files.setdefault(rel, path)
        self.prefixes = ["parts/", "parts/p/", "parts/s/", "p/", "parts/", "parts/s/"]
        self.found = {}

    def find(self, name):
        key = name.replace("\\", "/").lower()
        if key in self.found:
            return self.found[key]
        path = None
        for prefix in self.prefixes:
            rel = os.path.normpath(prefix + key).replace(os.sep, "/")
            if rel in self.files:
                path = self.files[rel]
                break
        self.found[key] = path
        return path


def bfc_words(words):
    """The keywords of a statement, or None when the words make none."""
    if len(words) < 2 or words[0].upper() != "BFC":
        return None
    rest = {w.upper() for w in words[1:]}
    return rest if rest <= KEYWORDS else None


def det3(m):
    a, b, c, d, e, f, g, h, i = m
    return a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g)


def snap(v):
    return 0.0 if -ZERO < v < ZERO else v


class Faces:
    """The faces of files, each file's worked out once: (corners, front,
    culled), where front is +1 when the corners run counter-clockwise seen
    from the front, and culled assumes every reference above passes culling
    on."""

    def __init__(self, library):
        self.library = library
        self.cache = {}
        self.cached_faces = 0

    def of_file(self, path, stack=()):
        if path in self.cache:
            return self.cache[path]
        if path in stack:
            return []
        faces = self.read(path, stack + (path,))
        if self.cached_faces + len(faces) > CACHE_FACES:
            self.cache.clear()
            self.cached_faces = 0
        self.cache[path] = faces
        self.cached_faces += len(faces)
        return faces

    def read(self, path, stack):
        with open(path, "rb") as f:
            text = f.read().decode("latin-1")
        faces = []
        drawn = certified = invert = False
        clockwise = False
        clip = True
        for line in text.splitlines():
            fields = line.split()
            if not fields:
                continue
            kind = fields[0]
            if kind == "0":
                words = bfc_words(fields[1:])
                if not words:
                    continue
                if not drawn and words & {"CERTIFY", "NOCERTIFY"}:
                    certified = "CERTIFY" in words and "NOCERTIFY" not in words
                if "CCW" in words:
                    clockwise = False
                elif "CW" in words:
                    clockwise = True
                elif "CERTIFY" in words:
                    clockwise = False
                if "CLIP" in words:
                    clip = True
                elif "NOCLIP" in words:
                    clip = False
                if "INVERTNEXT" in words:
                    invert = True
            elif kind == "1":
                drawn = True
                inverted, invert = invert, False
                parts = line.split(None, 14)
                if len(parts) < 15:
                    continue
                try:
                    x, y, z, *m = (float(v) for v in parts[2:14])
                except ValueError:
                    continue
                child = self.library.find(parts[14].strip())
                if not child:
                    continue
                passes = certified and clip
                sign = (-1 if inverted else 1) * (-1 if det3(m) < 0 else 1)
                a, b, c, d, e, f, g, h, i = m
                for corners, front, culled in self.of_file(child, stack):
                    placed = tuple((a * px + b * py + c * pz + x,
                                    d * px + e * py + f * pz + y,
                                    g * px + h * py + i * pz + z) for px, py, pz in corners)
                    faces.append((placed, front * sign, culled and passes))
            elif kind in ("2", "5"):
                drawn = True
            elif kind in ("3", "4"):
                drawn = True
                count = int(kind)
                try:
                    v = [float(t) for t in fields[2:2 + 3 * count]]
                except ValueError:
                    continue
                if len(v) < 3 * count:
                    continue
                corners = tuple((v[k], v[k + 1], v[k + 2]) for k in range(0, 3 * count, 3))
                faces.append((corners, -1 if clockwise else 1, certified and clip))
        return faces


def newell(corners):
    nx = ny = nz = 0.0
    n = len(corners)
    for k in range(n):
        x1, y1, z1 = corners[k]
        x2, y2, z2 = corners[(k + 1) % n]
        nx += (y1 - y2) * (z1 + z2)
        ny += (z1 - z2) * (x1 + x2)
        nz += (x1 - x2) * (y1 + y2)
    return nx, ny, nz


def keyed(faces):
    """Faces grouped by their corners as printed with six significant
    digits: key -> list of (front normal, culled, corners)."""
    groups = defaultdict(list)
    for corners, front, culled in faces:
        key = tuple(sorted("%g %g %g" % (snap(p[0]) + 0.0, snap(p[1]) + 0.0, snap(p[2]) + 0.0)
                           for p in corners))
        n = newell(corners)
        groups[key].append(((n[0] * front, n[1] * front, n[2] * front), culled, corners))
    return groups


def dot(u, v):
    return u[0] * v[0] + u[1] * v[1] + u[2] * v[2]


def state_of(face, ref):
    """(culled, front side against `ref`); the front side of a face that is
    not culled does not show."""
    normal, culled, _ = face
    if not culled:
        return (False, 0)
    d = dot(normal, ref)
    return (True, 1 if d > 0 else -1 if d < 0 else 0)


def compare_group(orig, flat, counts):
    """Pairs the faces of one place: equal states first, then the rest.
    Answers the faces left over on each side."""
    ref = (orig or flat)[0][0]
    left = sorted(orig, key=lambda f: state_of(f, ref))
    right = sorted(flat, key=lambda f: state_of(f, ref))
    common = Counter(state_of(f, ref) for f in left) & Counter(state_of(f, ref) for f in right)

    def beyond_common(faces):
        """The faces of one side left once each state has paired off."""
        used = Counter()
        rest = []
        for f in faces:
            s = state_of(f, ref)
            if used[s] < common[s]:
                used[s] += 1
            else:
                rest.append(f)
        return rest

    kept_left, kept_right = beyond_common(left), beyond_common(right)
    while kept_left and kept_right:
        x, y = state_of(kept_left.pop(), ref), state_of(kept_right.pop(), ref)
        counts["culling changed" if x[0] != y[0] else "flipped"] += 1
    return kept_left, kept_right


def near(c1, c2):
    if len(c1) != len(c2):
        return False
    return all(any(max(abs(p[k] - q[k]) for k in range(3)) <= TOLERANCE for q in c2)
               for p in c1) and all(
        any(max(abs(p[k] - q[k]) for k in range(3)) <= TOLERANCE for q in c1) for p in c2)


def cell_of(face):
    c = face[2]
    return tuple(round(sum(p[k] for p in c) / len(c) * 10) for k in range(3))


def compare(orig_faces, flat_faces):
    counts = Counter()
    orig, flat = keyed(orig_faces), keyed(flat_faces)
    lone_orig, lone_flat = [], []
    for key, faces in orig.items():
        other = flat.pop(key, None)
        if other is None:
            lone_orig += faces
        else:
            rest_orig, rest_flat = compare_group(faces, other, counts)
            lone_orig += rest_orig
            lone_flat += rest_flat
    for faces in flat.values():
        lone_flat += faces
    # Faces whose printed corners differ in a last digit (or that lie twice
    # at one place, printed differently): matched within the tolerance, by a
    # grid of their centres.
    grid = defaultdict(list)
    for face in lone_flat:
        grid[cell_of(face)].append(face)
    for face in lone_orig:
        cell = cell_of(face)
        match = None
        for offset in [(dx, dy, dz) for dx in (-1, 0, 1) for dy in (-1, 0, 1) for dz in (-1, 0, 1)]:
            bucket = grid.get((cell[0] + offset[0], cell[1] + offset[1], cell[2] + offset[2]), [])
            for k, candidate in enumerate(bucket):
                if near(face[2], candidate[2]):
                    match = bucket.pop(k)
                    break
            if match:
                break
        if match:
            rest_orig, rest_flat = compare_group([face], [match], counts)
            counts["missing"] += len(rest_orig)
            counts["extra"] += len(rest_flat)
        else:
            counts["missing"] += 1
    counts["extra"] += sum(len(bucket) for bucket in grid.values())
    return counts


library = None
faces = None
halvex = None


def start_worker(root, program):
    global library, faces, halvex
    # The cache holds millions of tuples and makes no cycles: the cyclic
    # collector would only walk them again and again.
    gc.disable()
    library = Library(root)
    faces = Faces(library)
    halvex = program


def check(part):
    """Counts for one part, or an error text."""
    with tempfile.TemporaryDirectory(prefix="halvex-bfc-") as work:
        out = os.path.join(work, "flat.dat")
        command = [halvex] + HALVEX_OPTIONS + ["-l", library.root, part, out]
        try:
            run = subprocess.run(command, stdin=subprocess.DEVNULL, capture_output=True,
                                 timeout=TIMEOUT_SECONDS)
        except subprocess.TimeoutExpired:
            return part, None, "timeout"
        if run.returncode != 0 or not os.path.isfile(out):
            return part, None, f"exit code {run.returncode}"
        original = faces.of_file(part)
        flat = faces.read(out, (out,))
        return part, compare(original, flat), None


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("library")
    parser.add_argument("parts", nargs="*")
    parser.add_argument("--halvex", required=True)
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--sample", type=int, default=0)
    parser.add_argument("--seed", type=int, default=18)
    parser.add_argument("--list", help="a file naming one part per line, added to the parts")
    parser.add_argument("--all", action="store_true",
                        help="every part after those named, in random order")
    args = parser.parse_args()

    root = os.path.realpath(args.library)
    parts = [os.path.realpath(p) for p in args.parts]
    if args.list:
        with open(args.list) as f:
            parts += [os.path.realpath(line.strip()) for line in f if line.strip()]
    if not parts or args.sample or args.all:
        folder = os.path.join(root, "parts")
        every = sorted(os.path.join(folder, n) for n in os.listdir(folder)
                       if n.lower().endswith(".dat"))
        # In random order, after the parts named: a run stopped part-way has
        # checked those and a random sample of the rest.
        random.Random(args.seed).shuffle(every)
        if args.sample:
            every = every[:args.sample]
        named = set(parts)
        parts += [p for p in every if p not in named]

    started = time.monotonic()
    total = Counter()
    differing = []
    errors = []
    checked = 0
    with Pool(args.jobs, start_worker, (root, os.path.realpath(args.halvex))) as pool:
        for part, counts, error in pool.imap_unordered(check, parts, chunksize=4):
            if error:
                errors.append(f"{part}: {error}")
                print(errors[-1], flush=True)
                continue
            total.update(counts)
            checked += 1
            if checked % 500 == 0:
                print(f"... {checked} parts: {total['flipped']} flipped, "
                      f"{total['culling changed']} culling changed, {total['missing']} missing, "
                      f"{total['extra']} extra", flush=True)
            if any(counts.values()):
                differing.append(part)
                shown = ", ".join(f"{counts[k]} {k}" for k in sorted(counts) if counts[k])
                print(f"{os.path.relpath(part, root)}: {shown}", flush=True)
    seconds = time.monotonic() - started
    print(f"{len(parts)} parts, {len(errors)} not run: "
          f"{total['flipped']} flipped, {total['culling changed']} culling changed, "
          f"{total['missing']} missing, {total['extra']} extra faces "
          f"({len(differing)} parts differ); {seconds:.0f} s on {args.jobs} workers")
    return 1 if differing or errors else 0


if __name__ == "__main__":
    sys.exit(main())
