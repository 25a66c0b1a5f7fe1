#!/usr/bin/env python3
"""Checks what Halvex does with texture blocks, independently of its code.

    python3 tools/texmap_check.py HALVEX LIBDIR [--parts P1.dat ...] [--work DIR]

For every part of LIBDIR (parts/ and p/) that holds a "0 !TEXMAP" line or
places one that does, and for two models placing it (moved and rotated; moved and mirrored), it runs
HALVEX with "-s -d0 -x++ 100000" and with "-s -x+ -ca" and reads input and
output as a viewer that knows LDraw.org's Texture Mapping Language Extension
reads them (https://www.ldraw.org/texmap-spec.html): every triangle and
quadrilateral drawn, with the texture in force, or as one that a viewer
without the extension draws. Then:

- every textured vertex of the output gets, from the output's projection,
  the image coordinates that the original's projection gives at the same
  point of the part (within 1e-4): the original's projection is taken in
  the file that declares it, at the point mapped back there through the
  placements on the way down;
- every face of the output lies on a face of the original drawn the same
  way (with the same image, or by a viewer without textures) with its
  corners within 0.002 of it, and the faces of the output on each face of
  the original cover its part on the kept side (x >= 0 for -x+, all of it
  for the far plane): their areas add up to it (within 0.002 times its
  perimeter plus 1e-6).

The extension's formulas, as this script reads them (angles in degrees on
the line, a and b may be negative):
  PLANAR       U = (p-p1).(p2-p1)/|p2-p1|^2, V = (p-p1).(p3-p1)/|p3-p1|^2
  CYLINDRICAL  n = unit(p2-p1); V = (p-p1).n/|p2-p1|; U = 1/2 + theta/a, theta
               the angle about n from p3's direction to p's
  SPHERICAL    N = unit((p2-p1) x (p3-p1)); U = 1/2 + theta/a, theta the
               angle about N from p2-p1 to p's projection on the plane
               p1 p2 p3; V = 1/2 + asin((p-p1).N/|p-p1|)/b
Prints the counts and every failure; exits 1 on a failure.
"""

import argparse
import math
import os
import shutil
import subprocess
import sys
import tempfile

UV_TOLERANCE = 1e-4
CORNER_TOLERANCE = 0.002
OPTION_SETS = [["-s", "-d0", "-x++", "100000"], ["-s", "-x+", "-ca"]]
# The two placements of each part in a model: (name, matrix rows, offset).
PLACEMENTS = [
    ("rotated", ((0, 0, -1), (0, 1, 0), (1, 0, 0)), (10, -24, 30)),
    ("mirrored", ((0, 0, -1), (0, 1, 0), (-1, 0, 0)), (-7, 8, 12)),
]


def sub(a, b):
    return (a[0] - b[0], a[1] - b[1], a[2] - b[2])


def add(a, b):
    return (a[0] + b[0], a[1] + b[1], a[2] + b[2])


def dot(a, b):
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def scale(a, s):
    return (a[0] * s, a[1] * s, a[2] * s)


def norm(a):
    return math.sqrt(dot(a, a))


def unit(a):
    n = norm(a)
    return scale(a, 1 / n) if n > 0 else a


def apply(m, p):
    return tuple(dot(row, p) for row in m)


def mat_mul(m, n):
    cols = list(zip(*n))
    return tuple(tuple(dot(row, col) for col in cols) for row in m)


def inverse(m):
    (a, b, c), (d, e, f), (g, h, i) = m
    det = a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g)
    if abs(det) < 1e-12:
        return None
    return ((( e * i - f * h) / det, -(b * i - c * h) / det, (b * f - c * e) / det),
            (-(d * i - f * g) / det, (a * i - c * g) / det, -(a * f - c * d) / det),
            (( d * h - e * g) / det, -(a * h - b * g) / det, (a * e - b * d) / det))


IDENTITY = ((1, 0, 0), (0, 1, 0), (0, 0, 1))


class Texture:
    """A projection in the coordinates of the file that declares it, with the
    placement of that file (matrix, offset) in the world."""

    def __init__(self, words, matrix, offset):
        self.method = words[3]
        numbers = [float(w) for w in words[4:4 + 11] if is_number(w)]
        self.p1 = tuple(numbers[0:3])
        self.p2 = tuple(numbers[3:6])
        self.p3 = tuple(numbers[6:9])
        count = {"PLANAR": 9, "CYLINDRICAL": 10, "SPHERICAL": 11}[self.method]
        self.a = math.radians(numbers[9]) if count > 9 else None
        self.b = math.radians(numbers[10]) if count > 10 else None
        self.image = words[4 + count]
        self.matrix = matrix
        self.offset = offset
        self.back = inverse(matrix)

    def uv(self, world):
        """The image coordinates at a world point, and the U period (for the
        angle's wrap), or None where they are not defined."""
        p = apply(self.back, sub(world, self.offset))
        p1, p2, p3 = self.p1, self.p2, self.p3
        if self.method == "PLANAR":
            d2, d3 = sub(p2, p1), sub(p3, p1)
            return (dot(sub(p, p1), d2) / dot(d2, d2), dot(sub(p, p1), d3) / dot(d3, d3)), None
        if self.method == "CYLINDRICAL":
            axis = sub(p2, p1)
            n = unit(axis)
            q = sub(p, p1)
            r = sub(q, scale(n, dot(q, n)))
            m3 = sub(p3, p1)
            m = sub(m3, scale(n, dot(m3, n)))
            if norm(r) < 1e-6:
                return None, None
            theta = math.atan2(dot(cross(m, r), n), dot(m, r))
            return (0.5 + theta / self.a, dot(q, n) / norm(axis)), 2 * math.pi / abs(self.a)
        n2 = sub(p2, p1)
        big_n = unit(cross(n2, sub(p3, p1)))
        q = sub(p, p1)
        if norm(q) < 1e-6:
            return None, None
        q1 = sub(q, scale(big_n, dot(q, big_n)))
        theta = math.atan2(dot(cross(n2, q1), big_n), dot(n2, q1))
        phi = math.asin(max(-1.0, min(1.0, dot(q, big_n) / norm(q))))
        return (0.5 + theta / self.a, 0.5 + phi / self.b), 2 * math.pi / abs(self.a)


def is_number(word):
    try:
        float(word)
        return True
    except ValueError:
        return False


class Library:
    """The files a reference may name: beside the file read first, then in
    the library's p/, parts/ and parts/s/, names matched without regard to
    case or to the kind of slash."""

    indexes = {}

    def __init__(self, root, top_folder):
        self.folders = [top_folder] + [os.path.join(root, f) for f in ("p", "parts", "parts/s")]
        self.cache = {}

    @classmethod
    def index(cls, folder):
        if folder not in cls.indexes:
            found = {}
            if os.path.isdir(folder):
                for name in os.listdir(folder):
                    found.setdefault(name.lower(), os.path.join(folder, name))
            cls.indexes[folder] = found
        return cls.indexes[folder]

    def find(self, key):
        for folder in self.folders:
            head, _, tail = key.rpartition("/")
            where = os.path.join(folder, head) if head else folder
            path = self.index(os.path.normpath(where)).get(tail)
            if path and os.path.isfile(path):
                return path
            # A folder named in another case.
            if head:
                parent = self.index(os.path.normpath(folder)).get(head)
                if parent:
                    path = self.index(parent).get(tail)
                    if path and os.path.isfile(path):
                        return path
        return None

    def lines(self, name):
        key = name.replace("\\", "/").lower()
        if key not in self.cache:
            path = self.find(key)
            if path is None:
                self.cache[key] = None
            else:
                with open(path, encoding="utf-8", errors="replace") as f:
                    self.cache[key] = f.read().splitlines()
        return self.cache[key]


class Face:
    def __init__(self, corners, aware, texture, plain):
        self.corners = corners
        self.aware = aware  # Drawn by a viewer that knows the extension.
        self.texture = texture  # The texture it is drawn with there, or None.
        self.plain = plain  # Drawn by a viewer that does not.

    def key(self):
        """How the face is drawn: with which image by a viewer knowing the
        extension, and whether by one that does not."""
        image = self.texture.image if (self.aware and self.texture) else None
        return (self.aware, image, self.plain)


def flatten(library, lines, matrix, offset, aware, texture, plain, faces, depth=0):
    """Appends the faces a viewer draws from `lines` placed by matrix and
    offset, inside a reference drawn as aware/texture/plain say."""
    if depth > 40:
        raise RuntimeError("nesting too deep")
    frames = []  # [texture, in fallback]
    next_texture = None
    for raw in lines:
        words = raw.split()
        if not words:
            continue
        hidden = False
        if words[0] == "0":
            if len(words) > 1 and words[1] == "!:":
                words = words[2:]
                hidden = True
                if not words:
                    continue
            elif len(words) > 2 and words[1] == "!TEXMAP":
                command = words[2]
                if command in ("START", "NEXT"):
                    t = Texture(words, matrix, offset)
                    if command == "NEXT":
                        next_texture = t
                    else:
                        frames.append([t, False])
                elif command == "FALLBACK" and frames:
                    frames[-1][1] = True
                elif command == "END" and frames:
                    frames.pop()
                continue
            elif len(words) > 1 and words[1] == "STEP":
                frames = []
                continue
            else:
                continue
        if words[0] not in ("1", "3", "4"):
            if words[0] in ("2", "5"):
                next_texture = None
            continue
        line_aware = aware and not any(f[1] for f in frames)
        line_texture = texture
        if next_texture is not None:
            line_texture = next_texture
        elif frames:
            line_texture = frames[-1][0]
        next_texture = None
        line_plain = plain and not hidden
        numbers = [float(w) for w in words[2:14]] if words[0] == "1" else \
            [float(w) for w in words[2:2 + 3 * int(words[0])]]
        if words[0] == "1":
            name = " ".join(words[14:])
            sub_lines = library.lines(name)
            if sub_lines is None:
                raise RuntimeError("not found: " + name)
            local = tuple(numbers[0:3])
            m = (tuple(numbers[3:6]), tuple(numbers[6:9]), tuple(numbers[9:12]))
            flatten(library, sub_lines, mat_mul(matrix, m), add(apply(matrix, local), offset),
                    line_aware, line_texture, line_plain, faces, depth + 1)
            continue
        corners = [add(apply(matrix, tuple(numbers[k:k + 3])), offset)
                   for k in range(0, len(numbers), 3)]
        faces.append(Face(corners, line_aware, line_texture, line_plain))


def area(corners):
    total = (0.0, 0.0, 0.0)
    for k in range(1, len(corners) - 1):
        total = add(total, cross(sub(corners[k], corners[0]), sub(corners[k + 1], corners[0])))
    return norm(total) / 2


def clip_x(corners):
    """The part of a convex polygon with x >= 0."""
    out = []
    for k, p in enumerate(corners):
        q = corners[(k + 1) % len(corners)]
        if p[0] >= 0:
            out.append(p)
        if (p[0] >= 0) != (q[0] >= 0):
            t = p[0] / (p[0] - q[0])
            out.append(add(p, scale(sub(q, p), t)))
    return out


def perimeter(corners):
    return sum(norm(sub(corners[(k + 1) % len(corners)], p)) for k, p in enumerate(corners))


def on_face(point, face):
    """Whether `point` lies on the face (a triangle or a convex, or at least
    triangulable, quadrilateral) within the corner tolerance."""
    c = face.corners
    triangles = [(c[0], c[1], c[2])] + ([(c[0], c[2], c[3])] if len(c) == 4 else [])
    for a, b, d in triangles:
        if distance_to_triangle(point, a, b, d) <= CORNER_TOLERANCE:
            return True
    return False


def distance_to_triangle(p, a, b, c):
    # Closest point on a triangle (Ericson, Real-Time Collision Detection 5.1.5).
    ab, ac, ap = sub(b, a), sub(c, a), sub(p, a)
    d1, d2 = dot(ab, ap), dot(ac, ap)
    if d1 <= 0 and d2 <= 0:
        return norm(ap)
    bp = sub(p, b)
    d3, d4 = dot(ab, bp), dot(ac, bp)
    if d3 >= 0 and d4 <= d3:
        return norm(bp)
    vc = d1 * d4 - d3 * d2
    if vc <= 0 and d1 >= 0 and d3 <= 0:
        v = d1 / (d1 - d3)
        return norm(sub(p, add(a, scale(ab, v))))
    cp = sub(p, c)
    d5, d6 = dot(ab, cp), dot(ac, cp)
    if d6 >= 0 and d5 <= d6:
        return norm(cp)
    vb = d5 * d2 - d1 * d6
    if vb <= 0 and d2 >= 0 and d6 <= 0:
        w = d2 / (d2 - d6)
        return norm(sub(p, add(a, scale(ac, w))))
    va = d3 * d6 - d5 * d4
    if va <= 0 and (d4 - d3) >= 0 and (d5 - d6) >= 0:
        w = (d4 - d3) / ((d4 - d3) + (d5 - d6))
        return norm(sub(p, add(b, scale(sub(c, b), w))))
    denom = 1 / (va + vb + vc)
    v, w = vb * denom, vc * denom
    return norm(sub(p, add(a, add(scale(ab, v), scale(ac, w)))))


def uv_close(got, want, period):
    du = abs(got[0] - want[0])
    if period:
        steps = round(du / period)
        du = abs(du - steps * period)
    return du <= UV_TOLERANCE and abs(got[1] - want[1]) <= UV_TOLERANCE


class Counts:
    def __init__(self):
        self.runs = 0
        self.textured_vertices = 0
        self.faces = 0
        self.textured_faces = 0
        self.failures = []
        self.uv_failures = 0


def check_run(name, original, output, cut, counts):
    """Compares the faces of the original with those of the output."""
    cell = 16.0
    grid = {}
    for index, face in enumerate(original):
        xs = [p[0] for p in face.corners]
        ys = [p[1] for p in face.corners]
        zs = [p[2] for p in face.corners]
        for gx in range(int(math.floor(min(xs) / cell)), int(math.floor(max(xs) / cell)) + 1):
            for gy in range(int(math.floor(min(ys) / cell)), int(math.floor(max(ys) / cell)) + 1):
                for gz in range(int(math.floor(min(zs) / cell)),
                                int(math.floor(max(zs) / cell)) + 1):
                    grid.setdefault((gx, gy, gz), []).append(index)
    covered = [0.0] * len(original)
    for face in output:
        if not (face.aware or face.plain):
            continue
        counts.faces += 1
        centre = scale(tuple(map(sum, zip(*face.corners))), 1 / len(face.corners))
        key = tuple(int(math.floor(v / cell)) for v in centre)
        # The face of the original drawn alike that holds every corner, and
        # shares the most corners with it (a face of the original and a
        # neighbour in its plane both hold the corners of their common edge);
        # of faces the original draws twice, the one covered least so far.
        match = None
        best = None
        for index in grid.get(key, []):
            candidate = original[index]
            if candidate.key() != face.key():
                continue
            if all(on_face(p, candidate) for p in face.corners):
                same = sum(1 for p in face.corners
                           if any(norm(sub(p, q)) <= CORNER_TOLERANCE for q in candidate.corners))
                score = (same, -covered[index] / max(area(candidate.corners), 1e-9))
                if best is None or score > best:
                    match, best = index, score
        if match is None:
            counts.failures.append(f"{name}: face {face.corners} ({face.key()}) lies on no face "
                                   "of the original drawn alike")
            continue
        covered[match] += area(face.corners)
        if not (face.aware and face.texture):
            continue
        counts.textured_faces += 1
        want_texture = original[match].texture
        for p in face.corners:
            got, period = face.texture.uv(p)
            want, _ = want_texture.uv(p)
            if got is None or want is None:
                continue
            counts.textured_vertices += 1
            if not uv_close(got, want, period):
                counts.uv_failures += 1
                counts.failures.append(f"{name}: at {p} the output's projection gives {got}, "
                                       f"the original's {want}")
    for index, face in enumerate(original):
        if not (face.aware or face.plain):
            continue
        kept = clip_x(face.corners) if cut else face.corners
        want = area(kept) if len(kept) >= 3 else 0.0
        if abs(covered[index] - want) > CORNER_TOLERANCE * perimeter(face.corners) + 1e-6:
            counts.failures.append(f"{name}: the output covers {covered[index]:.6f} of face "
                                   f"{face.corners} ({face.key()}), its kept part {want:.6f}")


def textured_parts(root):
    """The files of parts/ and p/ that hold a "0 !TEXMAP" line, and the parts
    that place one of them, at any depth."""
    texts = {}
    for folder in ("parts", "p"):
        for base, _, files in os.walk(os.path.join(root, folder)):
            for name in files:
                path = os.path.join(base, name)
                with open(path, encoding="utf-8", errors="replace") as f:
                    texts[path] = f.read()
    textured = {path for path, text in texts.items() if "!TEXMAP" in text}
    names = {os.path.basename(path).lower() for path in textured}
    while True:
        more = set()
        for path, text in texts.items():
            if path in textured:
                continue
            for line in text.splitlines():
                words = line.split()
                if words[:2] == ["0", "!:"]:
                    words = words[2:]
                if len(words) > 14 and words[0] == "1":
                    name = " ".join(words[14:]).replace("\\", "/").lower().split("/")[-1]
                    if name in names:
                        more.add(path)
                        break
        if not more:
            break
        textured |= more
        names |= {os.path.basename(path).lower() for path in more}
    return sorted(path for path in textured if os.path.dirname(path) in
                  (os.path.join(root, "parts"), os.path.join(root, "p")))


def run_halvex(halvex, options, library, infile, outfile):
    done = subprocess.run([halvex] + options + ["-l", library, infile, outfile],
                          stdin=subprocess.DEVNULL, capture_output=True, timeout=300)
    return done.returncode


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("halvex")
    parser.add_argument("library")
    parser.add_argument("--parts", nargs="*", help="parts to check instead of every textured one")
    parser.add_argument("--work", help="folder for the models and outputs")
    parser.add_argument("--all", action="store_true", help="print every failure, not the first 50")
    args = parser.parse_args()
    work = args.work or tempfile.mkdtemp(prefix="texmap-check-")
    os.makedirs(work, exist_ok=True)
    # A copy, so that a build while the check runs changes nothing.
    halvex = os.path.join(work, "halvex")
    shutil.copy2(args.halvex, halvex)
    root = os.path.abspath(args.library)
    parts = [os.path.abspath(p) for p in args.parts] if args.parts else textured_parts(root)
    counts = Counts()
    for part in parts:
        name = os.path.basename(part)
        library = Library(root, os.path.dirname(part))
        inputs = [(name, part)]
        for label, rows, offset in PLACEMENTS:
            model = os.path.join(work, f"{label}_{name}")
            with open(model, "w") as f:
                numbers = " ".join(str(v) for v in offset + sum(rows, ()))
                f.write(f"0 {label} {name}\n1 16 {numbers} {name}\n")
            inputs.append((f"{label} {name}", model))
        for label, infile in inputs:
            original = []
            with open(infile, encoding="utf-8", errors="replace") as f:
                flatten(library, f.read().splitlines(), IDENTITY, (0, 0, 0), True, None, True,
                        original)
            for options in OPTION_SETS:
                outfile = os.path.join(work, "out.dat")
                if os.path.exists(outfile):
                    os.remove(outfile)
                code = run_halvex(halvex, options, root, infile, outfile)
                counts.runs += 1
                run_name = f"{label} {' '.join(options)}"
                if code != 0:
                    counts.failures.append(f"{run_name}: exit code {code}")
                    continue
                output = []
                with open(outfile, encoding="utf-8", errors="replace") as f:
                    lines = f.read().splitlines()
                if any(line.split()[:1] == ["1"] or line.split()[:3] == ["0", "!:", "1"]
                       for line in lines):
                    counts.failures.append(f"{run_name}: a reference is left")
                    continue
                flatten(library, lines, IDENTITY, (0, 0, 0), True, None, True, output)
                check_run(run_name, original, output, "-ca" in options, counts)
    print(f"{len(parts)} textured parts, {counts.runs} runs, {counts.faces} faces of the outputs "
          f"matched to the original's, {counts.textured_faces} of them textured, "
          f"{counts.textured_vertices} textured vertices compared, "
          f"{len(counts.failures)} failures ({counts.uv_failures} of image coordinates)")
    for failure in counts.failures if args.all else counts.failures[:50]:
        print(failure)
    return 1 if counts.failures else 0


if __name__ == "__main__":
    sys.exit(main())
