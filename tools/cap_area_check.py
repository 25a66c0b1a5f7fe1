#!/usr/bin/env python3
"""Checks the faces that close a cut (the caps of -f / -ff) against the
part's own cross-section, measured here from first principles.

For each part of an LDraw library and each option set (an axis plane):

1. The part fully placed as flat polygons: Halvex with -s and a plane far
   beyond any part, nothing deleted; its triangles and quadrilaterals.
2. Its section: the area of the region of the cut plane inside the part.
   Points of the plane on a fine square grid are each decided inside or
   outside by counting crossings of the part's polygons along rays:
   twenty-four lying in the plane, and the two perpendicular to it; it is
   inside when most of the rays cross an odd number of polygons (a tie
   counts as half; see PERPENDICULAR for why these rays). The grid is
   turned by a few degrees against the axes and shifted by irrational
   fractions of its step, so that no grid row runs along the axis-parallel
   or 7.5-degree edges LDraw parts are made of and no point lies on an edge.
   The rays are counted a whole grid line at a time (the crossings of a
   line with the section's outline, sorted, give every point on it).
   Points lying on a polygon that itself lies in the plane are not section:
   the part is closed there already and no cap may go there. The estimate's
   own sampling uncertainty is the spread of the four interleaved half-step
   grids the grid is made of. A second estimate counts the same rays on the
   outline closed where pieces of the part end on faces of others (see
   close_outline); where the two differ by more than the tolerance below,
   the part's surface does not settle its section, and the run is marked
   in doubt.
3. The caps: Halvex with the option set and -ff 10077 (a colour found in
   no part) and without it. The caps are the polygons of that colour lying
   in the plane; their areas are summed exactly. Checked too: no cap lies
   over a face of the output already lying in the plane, no two caps
   overlap, each cap's front side (its winding read by the file's BFC
   statements) faces the removed half-space, and the run with -ff writes
   the other lines of the run without it.
4. The cut counts as closed when |caps - section| <= 1 % of the section
   plus 0.05 LDU^2, for either estimate. Parts that are not closed are
   listed with the areas and
   what Halvex printed about the regions it left open (the lines of its
   console that the run without -ff does not print).

When the build has no -ff yet, only the sections are measured.

  tools/cap_area_check.py --halvex build/halvex LIBDIR [--sample N] [--seed S]
      [--parts a.dat b.dat] [--sets "-s -x+ -ca" ...] [--jobs 2] [--points N]
  tools/cap_area_check.py --original FLAT.dat [--output FLAT.dat] --plane=-x+

The second form checks hand-made flat files: the original part, and the cut
output with its caps (colour 10077), both without references.
Standard library only; with NumPy importable (Debian's python3-numpy) the
rays are counted by it, several times faster, to the same numbers.
"""

import argparse
import heapq
import math
import os
import random
import re
import subprocess
import sys
import tempfile
import time
from collections import Counter, defaultdict
from multiprocessing import Pool

try:
    import numpy as np
except ImportError:  # the rays are then counted in pure Python
    np = None

CAP_COLOUR = 10077
OPTION_SETS = ["-s -x+ -ca", "-s -z- -ca", "-e -x+ -ca"]
# A plane far beyond any part, with deletion off: -s with it only expands.
EXPAND_ONLY = ["-s", "-d0", "-x++", "1000000"]
# A vertex this near the plane lies in it: Halvex's default precision, by
# which its cut snaps vertices onto the plane.
ON_PLANE = 0.001
# The cut is closed when the caps' area is within this share of the
# section's, plus FLOOR for sections of a few grid cells.
RELATIVE = 0.01
FLOOR = 0.05
# Overlaps below this area per LDU of cap outline are the six-digit rounding
# of the written corners (at most 0.0005 LDU for coordinates below 1000).
OVERLAP_WIDTH = 0.001
# Grid points per section. The estimate's error on the library's parts is
# far below 1 % at this size (see the sampling uncertainty printed).
GRID_POINTS = 1_000_000
# The grid's rows run at this angle to the plane's first axis: 3.75 degrees,
# halfway between the multiples of 7.5 degrees that the 16- and 48-segment
# primitives and the axis-parallel faces use, so that no edge runs along a
# row or a diagonal of the grid.
ROTATION = math.radians(3.75) + 1e-4
# The grid's first point lies these fractions of a step before the
# section's corner: irrational, so that no grid point lands on an edge
# whose corners have few decimals.
SHIFT_X = (math.sqrt(5) - 1) / 2
SHIFT_Y = math.sqrt(2) - 1
AXES = "xyz"
TIMEOUT_SECONDS = 300
HALVEX_REPORT = re.compile(r"^(\d+ (lines in file|Edge lines|Conditional lines|Triangles|Quads|"
                           r"Subfiles)|Loading .*|Saving .*|Press <Enter> to quit|\s*)$")


# ---------------------------------------------------------------- planes

class Plane:
    """An axis plane: points p with p[axis] == offset; `keep` is +1 when the
    kept side is p[axis] > offset, -1 when it is p[axis] < offset."""

    def __init__(self, axis, keep, offset=0.0):
        self.axis, self.keep, self.offset = axis, keep, offset
        # The plane's own coordinates, in the order x, y, z less the axis.
        self.u, self.v = [k for k in range(3) if k != axis]

    def distance(self, p):
        """Signed distance to the kept side, 0 within ON_PLANE."""
        d = self.keep * (p[self.axis] - self.offset)
        return 0.0 if -ON_PLANE <= d <= ON_PLANE else d

    def name(self):
        return f"{AXES[self.axis]}{'>' if self.keep > 0 else '<'}{self.offset:g}"


def plane_of(options):
    """The one axis plane of an option list, or None."""
    planes, invert, k = [], False, 0
    while k < len(options):
        option = options[k]
        if option == "-i":
            invert = True
        m = re.fullmatch(r"-([xyz])([+-])([+-]?)", option)
        if m and (not m.group(3) or m.group(3) == m.group(2)):
            offset = 0.0
            if m.group(3):
                k += 1
                offset = float(options[k])
            planes.append((AXES.index(m.group(1)), 1 if m.group(2) == "+" else -1, offset))
        k += 1
    if len(planes) != 1:
        return None
    axis, keep, offset = planes[0]
    return Plane(axis, -keep if invert else keep, offset)


# ---------------------------------------------------------- reading files

BFC_WORDS = {"CERTIFY", "NOCERTIFY", "CW", "CCW", "CLIP", "NOCLIP", "INVERTNEXT"}


class Face:
    """A triangle or quadrilateral of a flat file: colour, corners and
    front: +1 when its corners run counter-clockwise seen from its front,
    -1 clockwise, 0 when the file is not certified (no front side)."""

    __slots__ = ("colour", "corners", "front")

    def __init__(self, colour, corners, front):
        self.colour, self.corners, self.front = colour, corners, front


def read_faces(path):
    """The faces of a flat file (one without references), read by the
    rules of LDraw.org's "Language Extension for Back Face Culling (BFC)"
    (ldraw.org/article/415): a file is certified when its last CERTIFY or
    NOCERTIFY statement before the first drawing line is a CERTIFY; its
    polygons wind counter-clockwise until a CW statement (CERTIFY CW
    included), and again after CCW."""
    with open(path, "rb") as f:
        text = f.read().decode("latin-1")
    return parse_faces(text)


def parse_faces(text):
    faces = []
    certified, drawn, clockwise = False, False, False
    for line in text.splitlines():
        fields = line.split()
        if not fields:
            continue
        kind = fields[0]
        if kind == "0":
            words = [w.upper() for w in fields[1:]]
            if len(words) >= 2 and words[0] == "BFC" and set(words[1:]) <= BFC_WORDS:
                if not drawn and "CERTIFY" in words:
                    certified = True
                if not drawn and "NOCERTIFY" in words:
                    certified = False
                if "CW" in words:
                    clockwise = True
                if "CCW" in words:
                    clockwise = False
            continue
        if kind in ("1", "2", "3", "4", "5"):
            drawn = True
        if kind not in ("3", "4"):
            continue
        count = int(kind)
        try:
            colour = int(fields[1], 0)
            v = [float(t) for t in fields[2:2 + 3 * count]]
        except (ValueError, IndexError):
            continue
        if len(v) != 3 * count:
            continue
        corners = [(v[k], v[k + 1], v[k + 2]) for k in range(0, 3 * count, 3)]
        front = 0 if not certified else (-1 if clockwise else 1)
        faces.append(Face(colour, corners, front))
    return faces


def drawing_lines(path):
    """The lines of types 1 to 5 of a file, as a Counter of their fields."""
    with open(path, "rb") as f:
        lines = f.read().decode("latin-1").splitlines()
    return Counter(" ".join(line.split()) for line in lines
                   if line.split() and line.split()[0] in "12345")


# -------------------------------------------------------------- geometry

def polygon_area(corners):
    """The area of a planar polygon in space (Newell's normal, halved)."""
    n = newell(corners)
    return math.sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]) / 2


def newell(corners):
    """The normal of a polygon by Newell's method: twice its area in
    length, pointing to where its corners run counter-clockwise."""
    nx = ny = nz = 0.0
    count = len(corners)
    for k in range(count):
        x1, y1, z1 = corners[k]
        x2, y2, z2 = corners[(k + 1) % count]
        nx += (y1 - y2) * (z1 + z2)
        ny += (z1 - z2) * (x1 + x2)
        nz += (x1 - x2) * (y1 + y2)
    return (nx, ny, nz)


class Slice:
    """What the part's polygons leave in the plane, in the plane's (u, v)
    coordinates: the section's outline as segments, the polygons lying in
    the plane, and what the rays perpendicular to the plane cross.

    The outline is that of the part a hair beyond the plane on its kept
    side: a vertex in the plane counts as lying on the removed side, so a
    polygon touching the plane from the kept side along an edge gives that
    edge once, and polygons lying in the plane give none (they are kept
    apart in `flat`). Where two polygons share an edge, the point where the
    edge meets the plane is worked out from the edge's corners in one fixed
    order, so that both give the same numbers and the outline stays closed
    to the last bit.

    A ray from a point of the plane perpendicular to it, toward the kept
    side, crosses a polygon when the point lies in the shadow of the
    polygon's piece on that side. How many shadows cover the point, even or
    odd, is the even-odd fill of the shadows' outlines taken together: the
    outline of the section (where each piece is cut off) and the pieces of
    the polygons' edges on that side, less the edges two polygons share,
    which cancel. `above` and `below` are those edge pieces on the kept and
    the removed side: the open ends of the part, and the edges of T-joins."""

    def __init__(self, corner_lists, plane, fronts=None):
        self.segments, self.flat, self.above, self.below = [], [], [], []
        # The segments with the side of the part they bound: (a, b, inward)
        # where `inward`, in (u, v), points to the polygon's back; None when
        # a polygon has no known front side.
        self.oriented = [] if fronts is not None and all(fronts) else None
        u, v = plane.u, plane.v
        single = set()
        for index, corners in enumerate(corner_lists):
            count = len(corners)
            for k in range(count):
                a, b = corners[k], corners[(k + 1) % count]
                key = (a, b) if a < b else (b, a)
                if key in single:
                    single.remove(key)
                else:
                    single.add(key)
            d = [plane.distance(p) for p in corners]
            if all(x == 0.0 for x in d):
                self.flat.append([(p[u], p[v]) for p in corners])
                continue
            above = [x > 0 for x in d]
            if all(above) or not any(above):
                continue
            points = []
            for k in range(count):
                j = (k + 1) % count
                if above[k] != above[j]:
                    a, b = (k, j) if corners[k] < corners[j] else (j, k)
                    points.append(crossing(corners[a], corners[b], d[a], d[b], u, v))
            points.sort()
            if self.oriented is not None:
                normal = newell(corners)
                inward = (-fronts[index] * normal[u], -fronts[index] * normal[v])
            for k in range(0, len(points) - 1, 2):
                if points[k] != points[k + 1]:
                    self.segments.append((points[k], points[k + 1]))
                    if self.oriented is not None:
                        self.oriented.append((points[k], points[k + 1], inward))
        for a, b in single:
            da, db = plane.distance(a), plane.distance(b)
            pa, pb = (a[u], a[v]), (b[u], b[v])
            if pa == pb:
                continue
            if (da > 0) == (db > 0):
                (self.above if da > 0 else self.below).append((pa, pb))
                continue
            middle = crossing(a, b, da, db, u, v)
            high, low = (pa, pb) if da > 0 else (pb, pa)
            self.above.append((high, middle))
            self.below.append((middle, low))


def crossing(p, q, dp, dq, u, v):
    """Where the edge p-q meets the plane, in (u, v), given the corners'
    distances; a corner in the plane is the point itself."""
    if dp == 0.0:
        return (p[u], p[v])
    if dq == 0.0:
        return (q[u], q[v])
    t = dp / (dp - dq)
    return (p[u] + t * (q[u] - p[u]), p[v] + t * (q[v] - p[v]))


# An end of a segment this near another segment's inside lies on it: the
# six-digit rounding of the written corners.
ON_LINE = 1e-4
# Odd ends up to this many are paired at the least total length by trying
# every pairing; more are paired nearest first, and above MOST_ENDS the
# outline is left as it is.
EXACT_PAIRING = 20
MOST_ENDS = 60
# A stretch counts this many times its length unless the rays across the
# plane find the part on both its sides (a face running on inside it): the
# ways are drawn along such faces. Elsewhere a way takes no stretch longer
# than LONGEST_GAP, and a gap is closed straight across only up to that
# long, counted GAP_FACTOR times more again, and never through the part:
# a way round a whole outline, or across the part, would take away more
# than it mends.
SOLID_FACTOR = 4.0
GAP_FACTOR = 2.0
LONGEST_GAP = 1.0


def close_outline(segments, inside_both=lambda p, q: False):
    """The section's outline closed where a piece of the part ends on a face
    of another, the rays in the plane then agreeing everywhere.

    Such an end (a stud's foot on a brick's top, a rib's edge on a wall)
    ends segments of the outline on the inside of another segment or at
    its end: there an odd number of segments meet, where a closed outline
    has an even number at every point, and the face it stands on runs on
    as a wall inside the part. The outline is split at every end lying on
    another segment; the points where an odd number of pieces meet are
    paired up, each pair joined by the cheapest way along the outline (or
    across a short gap), at the least total cost, and the ways are taken out
    of the outline (counted once more, which for even-odd rays is the same).
    A stretch costs its length where `inside_both(p, q)` says the part lies
    on both its sides (see SOLID_FACTOR for the rest): a rib's own sides are
    as long as the stretch of wall it stands on, and only the wall has the
    part on both sides. Ends that no way joins are left as they are, to the
    majority of the rays. Segments twice over cancel."""
    if not segments:
        return segments
    segments = snapped(segments)
    points = {p for segment in segments for p in segment}
    xs, ys = [p[0] for p in points], [p[1] for p in points]
    size = max(max(xs) - min(xs), max(ys) - min(ys), 1e-3) / 64
    cells, long_ones = defaultdict(list), []
    for index, (a, b) in enumerate(segments):
        x0 = math.floor((min(a[0], b[0]) - ON_LINE) / size)
        x1 = math.floor((max(a[0], b[0]) + ON_LINE) / size)
        y0 = math.floor((min(a[1], b[1]) - ON_LINE) / size)
        y1 = math.floor((max(a[1], b[1]) + ON_LINE) / size)
        if (x1 - x0 + 1) * (y1 - y0 + 1) > 256:
            long_ones.append(index)
            continue
        for cx in range(x0, x1 + 1):
            for cy in range(y0, y1 + 1):
                cells[(cx, cy)].append(index)
    splits = defaultdict(list)
    for p in points:
        cell = (math.floor(p[0] / size), math.floor(p[1] / size))
        for index in cells.get(cell, []) + long_ones:
            a, b = segments[index]
            if p == a or p == b:
                continue
            dx, dy = b[0] - a[0], b[1] - a[1]
            length = math.hypot(dx, dy)
            along = ((p[0] - a[0]) * dx + (p[1] - a[1]) * dy) / length
            if ON_LINE < along < length - ON_LINE and \
                    abs((p[0] - a[0]) * dy - (p[1] - a[1]) * dx) / length <= ON_LINE:
                splits[index].append((along, p))
    edges = set()
    for index, (a, b) in enumerate(segments):
        chain = [a] + [p for _, p in sorted(splits.get(index, ()))] + [b]
        for p, q in zip(chain, chain[1:]):
            if p != q:
                edges ^= {(p, q) if p < q else (q, p)}
    degree = Counter(p for edge in edges for p in edge)
    ends = [p for p, n in degree.items() if n % 2]
    if not ends or len(ends) > MOST_ENDS:
        return sorted(edges) if not ends else segments

    around = defaultdict(list)
    for p, q in edges:
        length = math.dist(p, q)
        if not inside_both(p, q):
            if length > LONGEST_GAP:
                continue
            length *= SOLID_FACTOR
        around[p].append((q, length))
        around[q].append((p, length))
    ways = {}
    for k, start in enumerate(ends):
        reach, before = shortest_ways(start, around)
        for j in range(k + 1, len(ends)):
            end = ends[j]
            straight = math.inf
            if math.dist(start, end) <= LONGEST_GAP and not inside_both(start, end):
                straight = GAP_FACTOR * SOLID_FACTOR * math.dist(start, end)
            if end in reach and reach[end] <= straight:
                path, p = [], end
                while p != start:
                    path.append((p, before[p]) if p < before[p] else (before[p], p))
                    p = before[p]
                ways[(k, j)] = (reach[end], path)
            else:
                ways[(k, j)] = (straight, [(start, end) if start < end else (end, start)])
    for k, j in pairing(len(ends), ways):
        if ways[(k, j)][0] < math.inf:
            for edge in ways[(k, j)][1]:
                edges ^= {edge}
    return sorted(edges)


def snapped(segments):
    """The segments with ends nearer than ON_LINE to an earlier end moved
    onto it (corners the rounding of the file left apart), those of no
    length left out."""
    cells, moved = {}, {}
    for p in sorted({p for segment in segments for p in segment}):
        key = (math.floor(p[0] / ON_LINE), math.floor(p[1] / ON_LINE))
        near = [cells[(key[0] + i, key[1] + j)] for i in (-1, 0, 1) for j in (-1, 0, 1)
                if (key[0] + i, key[1] + j) in cells]
        near = [q for q in near if math.dist(p, q) <= ON_LINE]
        moved[p] = near[0] if near else p
        cells.setdefault(key, moved[p])
    result = [(moved[a], moved[b]) for a, b in segments]
    return [(a, b) for a, b in result if a != b]


def shortest_ways(start, around):
    """Dijkstra's shortest ways from `start`: lengths and the point before
    each on its way."""
    reach, before, queue = {start: 0.0}, {}, [(0.0, start)]
    while queue:
        length, p = heapq.heappop(queue)
        if length > reach[p]:
            continue
        for q, step in around[p]:
            if length + step < reach.get(q, math.inf):
                reach[q] = length + step
                before[q] = p
                heapq.heappush(queue, (length + step, q))
    return reach, before


def pairing(count, ways):
    """Pairs of 0..count-1 (count even) at the least total length of their
    ways: every pairing for a few, nearest first for more."""
    cost = {key: way[0] for key, way in ways.items()}
    if count <= EXACT_PAIRING:
        best = {0: (0.0, [])}

        def solve(mask):
            if mask not in best:
                first = next(k for k in range(count) if not mask & (1 << k))
                options = []
                for j in range(first + 1, count):
                    if not mask & (1 << j):
                        rest = solve(mask | (1 << first) | (1 << j))
                        options.append((cost[(first, j)] + rest[0], [(first, j)] + rest[1]))
                best[mask] = min(options)
            return best[mask]

        best[(1 << count) - 1] = (0.0, [])
        del best[0]
        return solve(0)[1]
    pairs, taken = [], set()
    for (k, j), _ in sorted(cost.items(), key=lambda item: item[1]):
        if k not in taken and j not in taken:
            pairs.append((k, j))
            taken |= {k, j}
    return pairs


# ------------------------------------------------------------------ grid

class Grid:
    """A square grid of points turned by ROTATION against (u, v): point
    (i, j), 0 <= i < width, 0 <= j < height, lies at x = i, y = j of the
    turned coordinates divided by the step."""

    def __init__(self, points_uv, points=GRID_POINTS):
        self.cos, self.sin = math.cos(ROTATION), math.sin(ROTATION)
        turned = [self.turn(p) for p in points_uv]
        xs = [p[0] for p in turned]
        ys = [p[1] for p in turned]
        x0, x1, y0, y1 = min(xs), max(xs), min(ys), max(ys)
        extent_x, extent_y = max(x1 - x0, 1e-3), max(y1 - y0, 1e-3)
        self.step = math.sqrt(extent_x * extent_y / points)
        self.x0 = x0 - SHIFT_X * self.step
        self.y0 = y0 - SHIFT_Y * self.step
        # At least four points a side: no two lines of an orientation then
        # share their points (a stride of 0).
        self.width = max(4, int((x1 - self.x0) / self.step) + 2)
        self.height = max(4, int((y1 - self.y0) / self.step) + 2)
        self.size = self.width * self.height
        # Per orientation, the lines' places in line_space's table, and
        # where each point lies in it (see point_cells).
        self.line_spaces = {}

    def turn(self, p):
        return (p[0] * self.cos + p[1] * self.sin, -p[0] * self.sin + p[1] * self.cos)

    def to_grid(self, p):
        x, y = self.turn(p)
        return ((x - self.x0) / self.step, (y - self.y0) / self.step)

    def covers(self, points_uv):
        for p in points_uv:
            x, y = self.to_grid(p)
            if not (0 <= x <= self.width - 1 and 0 <= y <= self.height - 1):
                return False
        return True


# The orientations of the rays, each a family of parallel grid lines
# through the grid's points, given by its step (di, dj) from one point of a
# line to the next; one of the two is 1. A line's label, dj * x - di * y, is
# constant along it and integral at the grid's points; the position along
# it is x where di is 1, else y. Rows, columns, diagonals, and the steps of
# two and of three along one axis and one along the other: twenty-four rays
# through each point, no two more than 18.5 degrees apart. A wall that
# should not be there (see PERPENDICULAR) lies behind fewer than half of
# them from any point not on it, and ties them only where it is seen under
# more than 161.5 degrees, within a tenth of its length of it.
ORIENTATIONS = ((1, 0), (0, 1), (1, 1), (1, -1), (1, 2), (1, -2), (2, 1), (-2, 1),
                (1, 3), (1, -3), (3, 1), (-3, 1))
RAYS = 2 * len(ORIENTATIONS)


def line_crossings(orientation, segments, labels):
    """The positions where the segments cross each grid line whose label
    lies in `labels` (first, last), by label. A segment crosses the lines
    whose label lies in [low end, high end): a shared end on a line is
    counted once when the outline passes through it and twice or not at all
    when it only touches the line."""
    first, last = labels
    di, dj = orientation
    along_x = di == 1
    lines = {}
    for (xa, ya), (xb, yb) in segments:
        sa, sb = dj * xa - di * ya, dj * xb - di * yb
        if sa == sb:
            continue
        pa, pb = (xa, xb) if along_x else (ya, yb)
        if sa > sb:
            sa, pa, sb, pb = sb, pb, sa, pa
        slope = (pb - pa) / (sb - sa)
        for k in range(max(first, math.ceil(sa)), min(last + 1, math.ceil(sb))):
            position = pa + (k - sa) * slope
            found = lines.get(k)
            if found is None:
                lines[k] = [position]
            else:
                found.append(position)
    return lines


def solve(c, low, high):
    """The integers n with low <= c * n < high, as [first, end); c != 0."""
    if c > 0:
        return -(-low // c), -(-high // c)
    return high // c + 1, low // c + 1


def line_points(grid, orientation, k):
    """The grid points on line k: (first, end) of their positions and the
    index of the point at `position` as start + position * stride; None when
    the line misses the grid."""
    di, dj = orientation
    w, h = grid.width, grid.height
    if di == 1:
        # Point (i, dj * i - k): 0 <= i < w and k <= dj * i < h + k.
        if dj == 0:
            first, end = (0, w) if 0 <= -k < h else (0, 0)
        else:
            first, end = solve(dj, k, h + k)
        first, end, start, stride = max(first, 0), min(end, w), -k * w, dj * w + 1
    else:
        # Point (k + di * j, j): 0 <= j < h and -k <= di * j < w - k.
        if di == 0:
            first, end = (0, h) if 0 <= k < w else (0, 0)
        else:
            first, end = solve(di, -k, w - k)
        first, end, start, stride = max(first, 0), min(end, h), k, w + di
    return (first, end, start, stride) if first < end else None


def assign(buffer, start, stride, first, end, value):
    """Sets the points first..end-1 of a line to `value` (a run of bytes)."""
    count = end - first
    if count <= 0:
        return
    a = start + first * stride
    if stride > 0:
        buffer[a:a + (count - 1) * stride + 1:stride] = value[:count]
    else:
        b = start + (end - 1) * stride
        buffer[b:a + 1:-stride] = value[:count]


# With NumPy, a family of grid lines is counted all at once in a table
# holding the points of each line in turn, by position along it, each line
# followed by a cell that takes what lies beyond its end. Each crossing adds
# at the first point past it on its line (the ceil of its position, clipped
# to the line). Running sums along the table, forward and backward, started
# afresh at each line, give at every point the crossings on either side of
# it: those the ray toward the line's low end meets, and those the ray
# toward its high end meets, as the sorted positions of the loops above do.
# The grid's points read their values from the table.

def line_space(grid, orientation):
    """The table of a family of lines: (lowest label, each line's first
    position on the grid, its number of points, its first cell), by label
    from the lowest; as line_points, for all lines at once."""
    found = grid.line_spaces.get(orientation)
    if found is None:
        di, dj = orientation
        w, h = grid.width, grid.height
        low = min(dj * i - di * j for i in (0, w - 1) for j in (0, h - 1))
        high = max(dj * i - di * j for i in (0, w - 1) for j in (0, h - 1))
        k = np.arange(low, high + 1)
        # The positions n on line k with low_end <= c * n < high_end.
        if di == 1:
            c, low_end, high_end, length = dj, k, h + k, w
        else:
            c, low_end, high_end, length = di, -k, w - k, h
        if c == 0:
            on = (low_end <= 0) & (0 < high_end)
            first, end = np.zeros_like(k), np.where(on, length, 0)
        elif c > 0:
            first, end = -(-low_end // c), -(-high_end // c)
        else:
            first, end = high_end // c + 1, low_end // c + 1
        first = np.maximum(first, 0)
        count = np.maximum(np.minimum(end, length) - first, 0)
        start = np.cumsum(count + 1) - (count + 1)
        found = grid.line_spaces[orientation] = (low, first, count, start)
    return found


def point_cells(grid, orientation):
    """Each grid point's cell in its family's table, in grid order."""
    key = ("cells", orientation)
    found = grid.line_spaces.get(key)
    if found is None:
        low, first, _, start = line_space(grid, orientation)
        di, dj = orientation
        i = np.arange(grid.width)
        j = np.arange(grid.height)[:, None]
        line = dj * i - di * j - low
        cells = (start - first)[line] + (i if di == 1 else j)
        found = grid.line_spaces[key] = cells.astype(np.int32).ravel()
    return found


def segment_array(segments):
    """Segments ((xa, ya), (xb, yb)) as an array of rows xa, ya, xb, yb."""
    return np.array(segments, dtype=float).reshape(-1, 4)


def crossings_array(grid, orientation, segments):
    """line_crossings for all lines of an orientation that meet the grid's
    labels, as arrays: each crossing's line label, position and segment (its
    row in `segments`, an array of segment_array). The same arithmetic in
    the same order, to the same bits."""
    low, first, _, _ = line_space(grid, orientation)
    high = low + len(first) - 1
    di, dj = orientation
    xa, ya, xb, yb = segments.T
    sa, sb = dj * xa - di * ya, dj * xb - di * yb
    pa, pb = (xa, xb) if di == 1 else (ya, yb)
    swap = sa > sb
    sa, sb = np.where(swap, sb, sa), np.where(swap, sa, sb)
    pa, pb = np.where(swap, pb, pa), np.where(swap, pa, pb)
    with np.errstate(divide="ignore", invalid="ignore"):
        slope = (pb - pa) / (sb - sa)
    lowest = np.maximum(np.ceil(sa), low)
    lines = np.maximum(np.minimum(np.ceil(sb), high + 1) - lowest, 0).astype(np.intp)
    lines[sa == sb] = 0
    segment = np.repeat(np.arange(len(lines)), lines)
    # Each crossing's line: its segment's lowest line plus its rank among
    # the segment's crossings.
    rank = np.arange(len(segment)) - np.repeat(np.cumsum(lines) - lines, lines)
    label = lowest[segment] + rank
    position = pa[segment] + (label - sa[segment]) * slope[segment]
    return label, position, segment


def table_cells(grid, orientation, label, position):
    """The lines (counted from the lowest label) and the table cells of
    crossings: the first point past each on its line, or the cell beyond."""
    low, first, count, start = line_space(grid, orientation)
    line = label.astype(np.intp) - low
    return line, start[line] + np.clip(np.ceil(position) - first[line], 0,
                                       count[line]).astype(np.intp)


def running_counts(grid, orientation, label, position, weight):
    """Per cell of the family's table (see line_space): the sum of the
    `weight` of the crossings on its line before it, and of those after."""
    _, _, count, start = line_space(grid, orientation)
    line, cell = table_cells(grid, orientation, label, position)
    table = np.bincount(cell, weights=weight, minlength=int(start[-1] + count[-1] + 1))
    table = table.astype(np.int32)
    whole = np.bincount(line, weights=weight, minlength=len(start)).astype(np.int32)
    # Each line's sum is taken off where the next one starts (forward), or
    # where the one before ends (backward), so that the sums start afresh.
    forward = table.copy()
    forward[start[1:]] -= whole[:-1]
    backward = table.copy()
    backward[start[1:] - 1] -= whole[1:]
    before = forward.cumsum(dtype=np.int32)
    after = backward[::-1].cumsum(dtype=np.int32)[::-1] - table
    return before, after


def odd_rays(grid, orientation, segments):
    """Per grid point (uint8, in grid order), how many of the two rays
    along one orientation cross the outline an odd number of times: 2
    between the first and second crossing of a line, the third and fourth,
    ...; 0 elsewhere; 1 all along a line crossed an odd number of times."""
    _, _, count, start = line_space(grid, orientation)
    label, position, _ = crossings_array(grid, orientation, segments)
    line, cell = table_cells(grid, orientation, label, position)
    odd = np.flatnonzero(np.bincount(line, minlength=len(start)) & 1)
    # One more crossing beyond the end of each line crossed an odd number
    # of times: every line's count is then even, and the parity of the
    # running count starts afresh at each line by itself. On a line of even
    # count both rays see the parity of the crossings before the point.
    cell = np.concatenate((cell, start[odd] + count[odd]))
    table = np.bincount(cell, minlength=int(start[-1] + count[-1] + 1)).astype(np.uint8)
    values = (table.cumsum(dtype=np.uint8) & 1) << 1
    for k in odd:
        values[start[k]:start[k] + count[k]] = 1
    return values[point_cells(grid, orientation)]


def as_number(values):
    """A uint8 array of grid points as a number whose bytes are the points'."""
    return int.from_bytes(values.tobytes(), "little")


def ray_votes_numpy(grid, segments):
    """ray_votes, counted by NumPy."""
    total = np.zeros(grid.size, dtype=np.uint8)
    segments = segment_array(segments)
    for orientation in ORIENTATIONS:
        total += odd_rays(grid, orientation, segments)
    return as_number(total)


def winding_votes_numpy(grid, oriented):
    """winding_votes, counted by NumPy: the ray toward a line's low end finds
    a point inside when walking it in from that end enters the part more
    often than it leaves (the signs before the point sum to 1 or more); the
    ray toward the high end when walking in from there does (the signs after
    it, entering counted +1 from the low end, sum to -1 or less)."""
    total = np.zeros(grid.size, dtype=np.uint8)
    segments = segment_array([(a, b) for a, b, _ in oriented])
    inward = np.array([inward for _, _, inward in oriented], dtype=float).reshape(-1, 2)
    for orientation in ORIENTATIONS:
        di, dj = orientation
        toward = di * inward[:, 0] + dj * inward[:, 1]
        label, position, segment = crossings_array(grid, orientation, segments)
        sign = np.sign(toward)[segment]
        crossing = sign != 0
        before, after = running_counts(grid, orientation, label[crossing], position[crossing],
                                       sign[crossing])
        count = (before >= 1).astype(np.uint8) + (after <= -1)
        total += count[point_cells(grid, orientation)]
    return as_number(total)


def ray_votes(grid, segments, fills):
    """Per grid point, how many of the twenty-four rays through it in the
    plane (two along each orientation) cross the outline an odd number of times,
    as a number whose bytes are the points' counts. On a line with an even number of crossings
    both rays agree (2 between the first and second crossing, the third and
    fourth, ...; 0 elsewhere); with an odd number, where the outline has a
    gap, they disagree at every point (1)."""
    if np is not None:
        return ray_votes_numpy(grid, segments)
    total = 0
    corners = ((0, 0), (grid.width - 1, 0), (0, grid.height - 1),
               (grid.width - 1, grid.height - 1))
    for orientation in ORIENTATIONS:
        di, dj = orientation
        labels = [dj * i - di * j for i, j in corners]
        votes = bytearray(grid.size)
        for k, positions in line_crossings(orientation, segments,
                                           (min(labels), max(labels))).items():
            points = line_points(grid, orientation, k)
            if points is None:
                continue
            first, end, start, stride = points
            if len(positions) % 2:
                assign(votes, start, stride, first, end, fills[1])
                continue
            positions.sort()
            for m in range(0, len(positions), 2):
                a = max(first, math.ceil(positions[m]))
                b = min(end, math.ceil(positions[m + 1]))
                assign(votes, start, stride, a, b, fills[2])
        total += int.from_bytes(votes, "little")
    return total


def winding_votes(grid, oriented):
    """Per grid point, how many of the twenty-four rays through it in the
    plane find it inside by the front sides of the polygons they cross (as
    ray_votes, a number whose bytes are the counts): walking a ray in from
    its far end, crossing a polygon from its front to its back enters the
    part and from its back to its front leaves it; the point is inside when
    it has been entered more often than left. Unlike the parity of the
    crossings, this counts pieces of a part sunk into one another, with no
    face where they meet, as solid (a pin through a hip, a stud in a
    tube). `oriented`: (a, b, inward) in grid coordinates."""
    if np is not None:
        return winding_votes_numpy(grid, oriented)
    total = 0
    corners = ((0, 0), (grid.width - 1, 0), (0, grid.height - 1),
               (grid.width - 1, grid.height - 1))
    values = {n: memoryview(bytes([n]) * max(grid.width, grid.height)) for n in (1, 2)}
    for orientation in ORIENTATIONS:
        di, dj = orientation
        first_label, last_label = min(dj * i - di * j for i, j in corners), \
            max(dj * i - di * j for i, j in corners)
        # Positions grow along (di, dj): crossing towards the inward side
        # enters the part.
        by_sign = {1: [], -1: []}
        for a, b, inward in oriented:
            toward = di * inward[0] + dj * inward[1]
            if toward != 0:
                by_sign[1 if toward > 0 else -1].append((a, b))
        lines = {}
        for sign, segments in by_sign.items():
            for k, positions in line_crossings(orientation, segments,
                                               (first_label, last_label)).items():
                lines.setdefault(k, []).extend((position, sign) for position in positions)
        votes = bytearray(grid.size)
        for k, crossings in lines.items():
            points = line_points(grid, orientation, k)
            if points is None:
                continue
            first, end, start, stride = points
            crossings.sort()
            total_sign = sum(sign for _, sign in crossings)
            entered = 0
            bounds = [-math.inf] + [position for position, _ in crossings] + [math.inf]
            for m in range(len(bounds) - 1):
                if m > 0:
                    entered += crossings[m - 1][1]
                count = (entered >= 1) + (entered - total_sign >= 1)
                if count:
                    a = first if bounds[m] == -math.inf else max(first, math.ceil(bounds[m]))
                    b = end if bounds[m + 1] == math.inf else \
                        min(end, math.ceil(bounds[m + 1]))
                    assign(votes, start, stride, a, b, values[count])
        total += int.from_bytes(votes, "little")
    return total


def perpendicular_votes(grid, outline):
    """The vote of the ray perpendicular to the plane from each grid point,
    given the even-odd outline of the shadows it crosses: two half votes
    (2 * STEP) where the point lies inside, as a number whose bytes are the
    points'.
    The outline is closed, so every row crosses it an even number of times;
    a row that does not (a rounding slip) gives half a vote throughout."""
    if np is not None:
        return as_number(STEP * odd_rays(grid, (1, 0), segment_array(outline)))
    votes = bytearray(grid.size)
    full = memoryview(bytes([2 * STEP]) * grid.width)
    half = memoryview(bytes([STEP]) * grid.width)
    w = grid.width
    for k, positions in line_crossings((1, 0), outline, (1 - grid.height, 0)).items():
        start = -k * w
        if len(positions) % 2:
            votes[start:start + w] = half
            continue
        positions.sort()
        for m in range(0, len(positions), 2):
            a = max(0, math.ceil(positions[m]))
            b = min(w, math.ceil(positions[m + 1]))
            if b > a:
                votes[start + a:start + b] = full[:b - a]
    return int.from_bytes(votes, "little")


def row_intervals(grid, polygons):
    """Per row of the grid, the intervals of x (continuous) that each
    polygon (corners in grid coordinates) covers, by the even-odd rule:
    {row: [(x0, x1, polygon index), ...]}."""
    rows = {}
    for index, corners in enumerate(polygons):
        by_row = {}
        count = len(corners)
        for k in range(count):
            (xa, ya), (xb, yb) = corners[k], corners[(k + 1) % count]
            if ya == yb:
                continue
            if ya > yb:
                xa, ya, xb, yb = xb, yb, xa, ya
            slope = (xb - xa) / (yb - ya)
            for j in range(max(0, math.ceil(ya)), min(grid.height, math.ceil(yb))):
                by_row.setdefault(j, []).append(xa + (j - ya) * slope)
        for j, xs in by_row.items():
            xs.sort()
            for m in range(0, len(xs) - 1, 2):
                rows.setdefault(j, []).append((xs[m], xs[m + 1], index))
    return rows


def mark(grid, rows, fill):
    """A buffer of grid.size bytes, `fill` at the points the intervals cover."""
    buffer = bytearray(grid.size)
    for j, intervals in rows.items():
        for x0, x1, _ in intervals:
            a = max(0, math.ceil(x0))
            b = min(grid.width, math.ceil(x1))
            if b > a:
                buffer[j * grid.width + a:j * grid.width + b] = fill[:b - a]
    return int.from_bytes(buffer, "little")


def union_length(intervals):
    total, end = 0.0, -math.inf
    for x0, x1 in sorted(intervals):
        if x1 > end:
            total += x1 - max(x0, end)
            end = x1
    return total


# The weight of each of the two rays perpendicular to the plane, against 1
# for each of the twenty-four in it. They cross the part away from the plane
# and fail elsewhere than those in it: where an open end stands on a closed
# face (a stud's or a tube's end on the top of a brick) the rays in the
# plane see the face run on as a wall between the two, and near that wall
# they tie; the rays across the plane do not see it when it runs along them
# (the stud's open end casts the face's shadow and cancels it), and settle
# the tie. Where the face runs across them (a wheel's disc ending on the
# inside of its tyre) they fail, and the twenty-four outvote them.
PERPENDICULAR = 1
VOTES = RAYS + 2 * PERPENDICULAR
# A grid point's byte holds its in-plane votes (0 to 24) plus STEP times its
# perpendicular half votes (0 to 4: 2 for a ray that says inside, 1 for a
# ray on a row that came out odd), plus FLAT when it lies on a polygon lying
# in the plane.
STEP = RAYS + 1
FLAT = 5 * STEP


def vote_table(answer):
    """A translation table from a point's byte to `answer(in_plane, half
    votes perpendicular, flat)`."""
    table = bytearray(256)
    for value in range(2 * FLAT):
        table[value] = answer(value % FLAT % STEP, value % FLAT // STEP, value >= FLAT)
    return bytes(table)


def decided(in_plane, perpendicular, flat):
    """2 inside the section, 1 tied, 0 outside or on a polygon in the plane."""
    twice = 2 * in_plane + perpendicular * PERPENDICULAR
    if flat or twice < VOTES:
        return 0
    return 2 if twice > VOTES else 1


SECTION_TABLE = vote_table(decided)
# Points where the two rays perpendicular to the plane agree and the rays in
# the plane do not side with them by a majority.
CONTESTED_TABLE = vote_table(lambda i, p, flat: not flat and (
    (i >= RAYS // 2 and p == 0) or (i <= RAYS // 2 and p == 4)))
# Against the caps, by a point's section class (0, 1, 2) plus CAP on a cap:
# section the caps leave open, and caps beyond the section (2 for a whole
# point, 1 for a tied one).
CAP = 4
OPEN_TABLE = bytes([0, 1, 2] + [0] * 253)
EXTRA_TABLE = bytes([0, 0, 0, 0, 2, 1] + [0] * 250)


def counted(data, table):
    """Points classified 2, plus half those classified 1."""
    codes = data.translate(table)
    return codes.count(2) + 0.5 * codes.count(1)


class Estimate:
    """An estimate of the section's area on a grid from one outline.
    `sigma` is its sampling uncertainty: the standard error of the mean of
    the four interleaved grids of twice the step (points of even or odd i
    and j) that the grid is made of. `contested` is the area of points
    where the two rays perpendicular to the plane agree and the rays in it
    do not side with them by a majority; `tied` the area of points with as
    many votes each way, counted half in `area`. `classes` holds each
    point's class: 2 inside, 1 tied, 0 outside or on a polygon lying in the
    plane."""

    def __init__(self, grid, outline, fixed, votes=None):
        """`outline`: segments in grid coordinates; `fixed`: the votes that
        do not depend on it (the rays across the plane, the polygons lying
        in it); `votes`: the rays' votes in the plane when they are not
        those of the outline's parity."""
        if votes is None:
            fills = {n: memoryview(bytes([n]) * max(grid.width, grid.height)) for n in (1, 2)}
            votes = ray_votes(grid, outline, fills)
        data = (votes + fixed).to_bytes(grid.size, "little")
        self.classes = codes = data.translate(SECTION_TABLE)
        cell = grid.step * grid.step
        w = grid.width
        parts = [0.0] * 4
        for j in range(grid.height):
            row = codes[j * w:(j + 1) * w]
            for parity in (0, 1):
                half = row[parity::2]
                parts[2 * (j % 2) + parity] += half.count(2) + 0.5 * half.count(1)
        self.area = sum(parts) * cell
        quarters = [4 * n * cell for n in parts]
        mean = sum(quarters) / 4
        self.sigma = math.sqrt(sum((q - mean) ** 2 for q in quarters) / 12)
        self.tied = codes.count(1) * cell
        self.contested = data.translate(CONTESTED_TABLE).count(1) * cell


class Section:
    """The section's area, estimated twice on one grid: from the outline as
    the part's polygons leave it (`area`, `sigma`, `tied`, `contested`, see
    Estimate), and from that outline closed where pieces of the part end on
    faces of others (`closed_area`, see close_outline). Where the part's
    surface is closed the two agree; where they do not, the part does not
    settle what is inside, and either may be right: faces running on inside
    the part fool the first, pieces sunk into one another without a face
    where they meet the second."""

    def __init__(self, corner_lists, plane, grid=None, points=GRID_POINTS, fronts=None):
        self.plane, self.corner_lists, self.points = plane, corner_lists, points
        self.fronts = fronts
        self.slice = Slice(corner_lists, plane, fronts)
        ends = [p for segment in self.slice.segments for p in segment]
        self.grid = grid
        self.estimates = []
        self.area = self.sigma = self.contested = self.tied = self.closed_area = 0.0
        # The third estimate, by the front sides (see winding_votes): None
        # for a part without certification.
        self.winding_area = None
        if not ends and grid is None:
            return
        if grid is None:
            self.grid = grid = Grid(ends, points)
        to_grid = grid.to_grid
        segments = [(to_grid(a), to_grid(b)) for a, b in self.slice.segments]
        flat = [[to_grid(p) for p in corners] for corners in self.slice.flat]
        across = 0
        for pieces in (self.slice.above, self.slice.below):
            shadows = segments + [(to_grid(a), to_grid(b)) for a, b in pieces]
            across += perpendicular_votes(grid, shadows)
        flat_marks = mark(grid, row_intervals(grid, flat), memoryview(bytes([FLAT]) * grid.width))
        fixed = across + flat_marks
        first = Estimate(grid, segments, fixed)
        across = across.to_bytes(grid.size, "little")

        def inside_both(p, q):
            """Whether both rays across the plane find the part on both
            sides of the stretch p-q, a step and a half from its middle."""
            (xp, yp), (xq, yq) = to_grid(p), to_grid(q)
            dx, dy = xq - xp, yq - yp
            length = math.hypot(dx, dy)
            if length == 0:
                return False
            for side in (1.5, -1.5):
                i = round((xp + xq) / 2 - side * dy / length)
                j = round((yp + yq) / 2 + side * dx / length)
                if not (0 <= i < grid.width and 0 <= j < grid.height) or \
                        across[j * grid.width + i] != 4 * STEP:
                    return False
            return True

        closed = close_outline(self.slice.segments, inside_both)
        second = first if closed == sorted((a, b) if a < b else (b, a)
                                           for a, b in self.slice.segments) else \
            Estimate(grid, [(to_grid(a), to_grid(b)) for a, b in closed], fixed)
        self.estimates = [first, second]
        self.area, self.sigma = first.area, first.sigma
        self.tied, self.contested = first.tied, first.contested
        self.closed_area = second.area
        if self.slice.oriented is not None:
            # The rays in the plane alone: the two across it count as one
            # each way, a tie.
            neutral = int.from_bytes(bytes([2 * STEP]) * grid.size, "little")
            oriented = [(to_grid(a), to_grid(b), grid.turn(inward))
                        for a, b, inward in self.slice.oriented]
            third = Estimate(grid, None, flat_marks + neutral, winding_votes(grid, oriented))
            self.estimates.append(third)
            self.winding_area = third.area
        # The rays are counted: the points' places in the tables (four bytes
        # a point for each orientation) are no longer needed.
        grid.line_spaces.clear()

    def covering(self, points_uv):
        """This section, or the same measured on a grid that also covers
        `points_uv` (caps beyond the section)."""
        if not points_uv or (self.grid is not None and self.grid.covers(points_uv)):
            return self
        ends = [p for segment in self.slice.segments for p in segment]
        return Section(self.corner_lists, self.plane, Grid(ends + points_uv, self.points),
                       fronts=self.fronts)

    def against(self, extra, area):
        """The classes of the points by the estimate nearer to `area`, plus
        `extra` (a number whose bytes are the points'), as bytes."""
        estimate = min(self.estimates, key=lambda e: abs(e.area - area))
        return (int.from_bytes(estimate.classes, "little") + extra).to_bytes(self.grid.size,
                                                                              "little")


# ------------------------------------------------------------------ caps

class CapFindings:
    """The caps of one output set against the section."""

    def __init__(self, section, output_faces, plane):
        self.plane = plane
        caps, flat = [], []
        self.off_plane = 0
        for face in output_faces:
            if all(plane.distance(p) == 0.0 for p in face.corners):
                (caps if face.colour == CAP_COLOUR else flat).append(face)
            elif face.colour == CAP_COLOUR:
                self.off_plane += 1
        self.count = len(caps)
        self.area = sum(polygon_area(f.corners) for f in caps)
        # Front sides: the removed side lies toward -keep along the axis.
        self.wrong_facing = self.unknown_facing = 0
        self.wrong_facing_area = 0.0
        for face in caps:
            if face.front == 0:
                self.unknown_facing += 1
                continue
            normal = newell(face.corners)[plane.axis] * face.front
            if normal * -plane.keep <= 0:
                self.wrong_facing += 1
                self.wrong_facing_area += polygon_area(face.corners)
        self.open = self.extra = self.cap_overlap = self.flat_overlap = 0.0
        self.overlap_tolerance = 0.0
        u, v = plane.u, plane.v
        self.section = section = section.covering([(p[u], p[v]) for f in caps
                                                   for p in f.corners])
        grid = section.grid
        if grid is None or not caps:
            self.open = section.area
            return
        to_grid = grid.to_grid
        cap_xy = [[to_grid((p[u], p[v])) for p in f.corners] for f in caps]
        flat_xy = [[to_grid((p[u], p[v])) for p in f.corners] for f in flat]
        cap_rows = row_intervals(grid, cap_xy)
        flat_rows = row_intervals(grid, flat_xy)
        cell = grid.step * grid.step
        data = section.against(mark(grid, cap_rows, memoryview(bytes([CAP]) * grid.width)),
                               self.area)
        self.open = counted(data, OPEN_TABLE) * cell
        self.extra = counted(data, EXTRA_TABLE) * cell
        # Overlaps, row by row, exact along each row.
        cap_overlap = flat_overlap = 0.0
        for j, intervals in cap_rows.items():
            pieces = [(x0, x1) for x0, x1, _ in intervals]
            caps_length = union_length(pieces)
            cap_overlap += sum(x1 - x0 for x0, x1 in pieces) - caps_length
            others = [(x0, x1) for x0, x1, _ in flat_rows.get(j, ())]
            if others:
                flat_overlap += caps_length + union_length(others) - union_length(pieces + others)
        self.cap_overlap = cap_overlap * grid.step * grid.step
        self.flat_overlap = flat_overlap * grid.step * grid.step
        outline = sum(math.dist(f.corners[k], f.corners[(k + 1) % len(f.corners)])
                      for f in caps for k in range(len(f.corners)))
        self.overlap_tolerance = OVERLAP_WIDTH * outline + 4 * cell


def agrees(section_area, cap_area):
    return abs(cap_area - section_area) <= RELATIVE * section_area + FLOOR


def closes(result):
    """Whether the caps' area agrees with any estimate of the section."""
    return agrees(result["section"], result["caps"]) or \
        agrees(result["closed section"], result["caps"]) or \
        by_winding_only(result)


def by_winding_only(result):
    """Whether the caps' area agrees with the estimate by the front sides
    alone."""
    return result.get("winding section") is not None and \
        agrees(result["winding section"], result["caps"]) and \
        not agrees(result["section"], result["caps"]) and \
        not agrees(result["closed section"], result["caps"])


def in_doubt(result):
    """Whether the two estimates of the section differ by more than the
    comparison allows: the part's surface does not settle what is inside."""
    return not agrees(max(result["section"], result["closed section"]),
                      min(result["section"], result["closed section"]))


# ------------------------------------------------------------------ runs

library = None
halvex = None
caps_supported = False
grid_points = GRID_POINTS


def run(args, out):
    """Runs Halvex; answers (failure text or None, console lines)."""
    command = [halvex] + args + [out]
    try:
        done = subprocess.run(command, stdin=subprocess.DEVNULL, capture_output=True,
                              timeout=TIMEOUT_SECONDS)
    except subprocess.TimeoutExpired:
        return f"timeout: {' '.join(command)}", []
    except OSError as error:
        return f"could not run ({error.strerror}): {' '.join(command)}", []
    console = (done.stdout + done.stderr).decode("latin-1").splitlines()
    if done.returncode != 0 or not os.path.isfile(out):
        return f"exit code {done.returncode}: {' '.join(command)}", console
    return None, console


def supports_caps(program):
    """Whether `program` takes -ff: a box cut with it must run."""
    with tempfile.TemporaryDirectory(prefix="halvex-capcheck-") as work:
        box = os.path.join(work, "box.dat")
        with open(box, "w") as f:
            f.write(box_text(10, 10, 10))
        try:
            done = subprocess.run([program, "-s", "-x+", "-ca", "-ff", str(CAP_COLOUR), box,
                                   os.path.join(work, "out.dat")],
                                  stdin=subprocess.DEVNULL, capture_output=True, timeout=60)
        except OSError as error:
            sys.exit(f"cannot run {program}: {error.strerror}")
        return done.returncode == 0


def box_text(a, b, c):
    """A closed box |x| <= a, |y| <= b, |z| <= c, certified, faces outward."""
    corners = {(sx, sy, sz): (sx * a, sy * b, sz * c)
               for sx in (-1, 1) for sy in (-1, 1) for sz in (-1, 1)}
    lines = ["0 BFC CERTIFY CCW"]
    for axis in range(3):
        for sign in (-1, 1):
            # The face's four corners in a ring, turned to run
            # counter-clockwise seen from outside.
            others = [k for k in range(3) if k != axis]
            points = []
            for s, t in ((-1, -1), (1, -1), (1, 1), (-1, 1)):
                key = [0, 0, 0]
                key[axis], key[others[0]], key[others[1]] = sign, s, t
                points.append(corners[tuple(key)])
            if newell(points)[axis] * sign < 0:
                points.reverse()
            lines.append("4 16 " + " ".join(f"{c:g}" for p in points for c in p))
    return "\n".join(lines) + "\n"


def console_news(with_caps, without):
    """The lines of the run with -ff that the run without it did not print,
    less the load and save counts."""
    seen = set(without)
    return [line.strip() for line in with_caps
            if line not in seen and not HALVEX_REPORT.match(line)]


def check_part(part):
    """Runs one part with every option set; answers (name, results)."""
    name = os.path.basename(part)
    results = []
    started = time.monotonic()
    with tempfile.TemporaryDirectory(prefix="halvex-capcheck-") as work:
        flat_in = os.path.join(work, "input_s.dat")
        failure, _ = run(EXPAND_ONLY + ["-l", library, part], flat_in)
        if failure:
            return name, [{"set": "input", "problem": failure}], time.monotonic() - started
        faces = read_faces(flat_in)
        corner_lists = [face.corners for face in faces]
        fronts = [face.front for face in faces]
        sections = {}
        for option_text in OPTION_SETS:
            options = option_text.split()
            plane = plane_of(options)
            key = (plane.axis, plane.keep, plane.offset)
            if key not in sections:
                sections[key] = Section(corner_lists, plane, points=grid_points, fronts=fronts)
            section = sections[key]
            result = {"set": option_text, "section": section.area, "sigma": section.sigma,
                      "closed section": section.closed_area,
                      "winding section": section.winding_area, "contested": section.contested,
                      "tied": section.tied, "problem": None}
            results.append(result)
            if not caps_supported:
                continue
            outputs = {}
            consoles = {}
            for label, extra in (("caps", ["-ff", str(CAP_COLOUR)]), ("plain", [])):
                out = os.path.join(work, f"{label}.dat")
                failure, consoles[label] = run(options + extra + ["-l", library, part], out)
                if failure:
                    result["problem"] = failure
                    break
                outputs[label] = out
            if result["problem"]:
                continue
            plain, capped = drawing_lines(outputs["plain"]), drawing_lines(outputs["caps"])
            added = [line for line in (capped - plain).elements()
                     if line.split()[1:2] != [str(CAP_COLOUR)]]
            result["other lines changed"] = sum((plain - capped).values()) + len(added)
            flat_out = outputs["caps"]
            if "-e" in options:
                flat_out = os.path.join(work, "caps_s.dat")
                failure, _ = run(EXPAND_ONLY + ["-l", library, outputs["caps"]], flat_out)
                if failure:
                    result["problem"] = failure
                    continue
            findings = CapFindings(section, read_faces(flat_out), plane)
            result.update({
                "caps": findings.area, "cap count": findings.count, "open": findings.open,
                "extra": findings.extra, "cap overlap": findings.cap_overlap,
                "flat overlap": findings.flat_overlap,
                "overlap tolerance": findings.overlap_tolerance,
                "wrong facing": findings.wrong_facing,
                "wrong facing area": findings.wrong_facing_area,
                "unknown facing": findings.unknown_facing,
                "off plane": findings.off_plane,
                "reasons": console_news(consoles["caps"], consoles["plain"]),
            })
    return name, results, time.monotonic() - started


def start_worker(lib, program, supported, points):
    global library, halvex, caps_supported, grid_points
    library, halvex, caps_supported, grid_points = lib, program, supported, points


def percent(part, whole):
    return f"{100.0 * part / whole:.2f} %" if whole else "-"


def by_name_and_set(item):
    """Sorts (part name, result) pairs by name, then option set: results of
    one part under several sets must not be compared as dictionaries."""
    name, result = item
    return name, result["set"]


def summarise(all_results, parts, seconds, jobs):
    runs = [(name, r) for name, results in all_results for r in results]
    problems = [(n, r) for n, r in runs if r.get("problem")]
    measured = [(n, r) for n, r in runs if not r.get("problem")]
    print(f"{len(parts)} parts, {len(runs)} runs, {len(problems)} that did not run")
    for name, r in problems:
        print(f"  {r['set']} {name}: {r['problem']}")
    with_section = [(n, r) for n, r in measured if r["section"] > FLOOR]
    print(f"Sections: {len(with_section)} runs cut the part (section above {FLOOR} LDU^2)")
    if with_section:
        sigmas = sorted(r["sigma"] / r["section"] for _, r in with_section)
        ties = sorted(r["tied"] / r["section"] for _, r in with_section)
        print(f"  sampling uncertainty / section: median {100 * sigmas[len(sigmas) // 2]:.4f} %,"
              f" largest {100 * sigmas[-1]:.4f} %")
        print(f"  area with a tied vote (counted half) / section: median "
              f"{100 * ties[len(ties) // 2]:.3f} %, above 0.5 % in "
              f"{sum(t > 0.005 for t in ties)} runs")
        doubtful = [(n, r) for n, r in with_section if in_doubt(r)]
        print(f"  sections whose two estimates (outline as read, and closed) differ by more"
              f" than the tolerance: {len(doubtful)} runs")
        doubtful.sort(key=lambda x: -abs(x[1]["section"] - x[1]["closed section"]) /
                      x[1]["section"])
        for name, r in doubtful[:10]:
            print(f"    {r['set']} {name}: section {r['section']:.2f} +- {r['sigma']:.2f},"
                  f" closed {r['closed section']:.2f}, contested {r['contested']:.2f},"
                  f" tied {r['tied']:.2f} LDU^2")
    if caps_supported:
        capped = [(n, r) for n, r in measured if "caps" in r]
        closed = [(n, r) for n, r in capped if closes(r)]
        print(f"Caps: {len(closed)} of {len(capped)} runs closed "
              f"({percent(len(closed), len(capped))}): |caps - section| <= "
              f"{100 * RELATIVE:g} % of the section + {FLOOR} LDU^2, for any estimate")
        winding = [(n, r) for n, r in closed if by_winding_only(r)]
        print(f"  {len(winding)} of them by the estimate by front sides alone (pieces sunk"
              f" into one another):" + "".join(f" {r['set']} {n};"
                                               for n, r in sorted(winding, key=by_name_and_set)))
        for options in OPTION_SETS:
            of_set = [r for _, r in capped if r["set"] == options]
            good = [r for r in of_set if closes(r)]
            nothing = [r for r in good if r["section"] <= FLOOR and r["caps"] <= FLOOR]
            print(f"  {options}: {len(good)} of {len(of_set)} closed "
                  f"({len(nothing)} with nothing to close)")
        not_closed = [(n, r) for n, r in capped if not closes(r)]
        doubtful = [(n, r) for n, r in not_closed if in_doubt(r)]
        print(f"Not closed: {len(not_closed)} runs, {len(doubtful)} of them where the section"
              f" itself is in doubt (its two estimates differ by more than the tolerance)")
        if not_closed:
            print("  (section +- sampling uncertainty, closed, by front sides, caps, section"
                  " left open, caps beyond the section, tied area, all in LDU^2)")
        for name, r in sorted(not_closed, key=by_name_and_set):
            winding = r.get("winding section")
            print(f"  {r['set']} {name}: section {r['section']:.3f} +- {r['sigma']:.3f}, "
                  f"closed {r['closed section']:.3f}, by front sides "
                  f"{'-' if winding is None else format(winding, '.3f')}, "
                  f"caps {r['caps']:.3f} ({r['cap count']}"
                  f" faces), open {r['open']:.3f}, beyond {r['extra']:.3f}, tied"
                  f" {r['tied']:.3f}{' (in doubt)' if in_doubt(r) else ''}")
            # The regions left open and why first, then the counts.
            named = [line for line in r["reasons"] if " left open near " in line]
            counts = [line for line in r["reasons"] if line not in named]
            for line in named[:4] + counts:
                print(f"      halvex: {line}")
        overlaps = [(n, r) for n, r in capped
                    if max(r["cap overlap"], r["flat overlap"]) > r["overlap tolerance"]]
        print(f"Overlaps: {len(overlaps)} runs with caps over a face in the plane or over"
              f" each other")
        for name, r in sorted(overlaps, key=by_name_and_set):
            print(f"  {r['set']} {name}: over faces in the plane {r['flat overlap']:.4f}, "
                  f"caps over caps {r['cap overlap']:.4f} (tolerance "
                  f"{r['overlap tolerance']:.4f}) LDU^2")
        facing = [(n, r) for n, r in capped if r["wrong facing"]]
        unknown = sum(r["unknown facing"] for _, r in capped)
        print(f"Wrong facing: {len(facing)} runs with caps whose front side faces the kept side"
              f" ({unknown} caps in files without certification not judged)")
        for name, r in sorted(facing, key=by_name_and_set):
            print(f"  {r['set']} {name}: {r['wrong facing']} of {r['cap count']} caps, "
                  f"{r['wrong facing area']:.3f} LDU^2")
        changed = [(n, r) for n, r in capped if r["other lines changed"] or r["off plane"]]
        print(f"Other lines: {len(changed)} runs where -ff changed lines other than the caps"
              f" or wrote faces of the caps' colour off the plane")
        for name, r in sorted(changed, key=by_name_and_set):
            print(f"  {r['set']} {name}: {r['other lines changed']} lines missing or added, "
                  f"{r['off plane']} faces of colour {CAP_COLOUR} off the plane")
    else:
        print(f"Caps not checked: {halvex} has no -ff option")
    per_part = seconds * jobs / max(1, len(parts))
    print(f"wall time {seconds:.0f} s on {jobs} workers, {per_part:.2f} s per part "
          f"({len(OPTION_SETS)} option sets)")
    failed = problems + [(n, r) for n, r in measured
                         if "caps" in r and (not closes(r) or
                                             r["wrong facing"] or r["other lines changed"] or
                                             r["off plane"] or
                                             max(r["cap overlap"], r["flat overlap"]) >
                                             r["overlap tolerance"])]
    return 1 if failed else 0


def check_files(original, output, plane_option, points):
    """Checks hand-made flat files; prints what it finds."""
    plane = plane_of([plane_option])
    if plane is None:
        sys.exit(f"not an axis plane: {plane_option}")
    originals = read_faces(original)
    section = Section([f.corners for f in originals], plane, points=points,
                      fronts=[f.front for f in originals])
    winding = "-" if section.winding_area is None else f"{section.winding_area:.4f}"
    print(f"section {section.area:.4f} +- {section.sigma:.4f} LDU^2 in the plane {plane.name()}"
          f" (closed {section.closed_area:.4f}, by front sides {winding}, contested"
          f" {section.contested:.4f}, tied {section.tied:.4f})")
    if not output:
        return 0
    faces = read_faces(output)
    findings = CapFindings(section, faces, plane)
    print(f"caps {findings.area:.4f} LDU^2 in {findings.count} faces: open {findings.open:.4f},"
          f" outside the section {findings.extra:.4f}")
    print(f"overlaps: over faces in the plane {findings.flat_overlap:.4f}, caps over caps "
          f"{findings.cap_overlap:.4f} LDU^2; wrong facing {findings.wrong_facing}, not judged "
          f"{findings.unknown_facing}")
    good = closes({"section": section.area, "closed section": section.closed_area,
                   "winding section": section.winding_area, "caps": findings.area})
    print("closed" if good else "not closed")
    return 0 if good else 1


def main():
    global OPTION_SETS
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("library", nargs="?")
    parser.add_argument("--halvex")
    parser.add_argument("--parts", nargs="+", default=[])
    parser.add_argument("--sample", type=int, default=0)
    parser.add_argument("--seed", type=int, default=23)
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--sets", nargs="+", default=OPTION_SETS,
                        help="option sets, each with one axis plane")
    parser.add_argument("--points", type=int, default=GRID_POINTS,
                        help="grid points per section")
    parser.add_argument("--original", help="a flat file: the part fully placed")
    parser.add_argument("--output", help="a flat file: the cut output with its caps")
    parser.add_argument("--plane", default="-x+")
    args = parser.parse_args()
    if args.original:
        return check_files(args.original, args.output, args.plane, args.points)
    if not args.library or not args.halvex:
        parser.error("LIBDIR and --halvex are needed (or --original)")
    for options in args.sets:
        if plane_of(options.split()) is None:
            parser.error(f"option set without one axis plane: {options}")
    OPTION_SETS = list(args.sets)
    lib = os.path.realpath(args.library)
    parts_dir = os.path.join(lib, "parts")
    if args.parts:
        parts = [p if os.path.isfile(p) else os.path.join(parts_dir, p) for p in args.parts]
        missing = [p for p in parts if not os.path.isfile(p)]
        if missing:
            parser.error(f"no such part: {', '.join(missing)}")
    else:
        parts = sorted(os.path.join(parts_dir, n) for n in os.listdir(parts_dir)
                       if n.lower().endswith(".dat"))
        if args.sample:
            parts = sorted(random.Random(args.seed).sample(parts, min(args.sample, len(parts))))
    program = os.path.realpath(args.halvex)
    supported = supports_caps(program)
    if not supported:
        print(f"{program} has no -ff option: the caps are not checked, only the sections"
              f" measured", flush=True)
    start_worker(lib, program, supported, args.points)
    started = time.monotonic()
    all_results = []
    with Pool(args.jobs, start_worker, (lib, program, supported, args.points)) as pool:
        for name, results, _ in pool.imap_unordered(check_part, parts):
            all_results.append((name, results))
    return summarise(all_results, parts, time.monotonic() - started, args.jobs)


if __name__ == "__main__":
    sys.exit(main())
