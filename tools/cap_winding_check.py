#!/usr/bin/python3
"""Settles the runs where tools/cap_area_check.py and Halvex's caps disagree,
by a third measure of the section that neither uses: the part's winding
number in space.

A point lies inside a part when the solid angles its polygons subtend,
signed by their front sides (LDraw.org's BFC: the front faces out), sum to
at least half a turn of the sphere. Pieces of a part sunk into one another
count twice there and are inside; a face between two solids adds nothing;
a gap of a few thousandths in a surface or a T-junction moves the sum by a
few thousandths. The points are those of a square grid in the plane moved
a hair (HAIR) to the kept side, as the section is the kept part's there;
points on a polygon lying in the plane are not section, as no cap may go
there. Only parts whose every polygon has a known front side (certified)
are measured.

For each run it prints the section by winding, the caps' area, and on the
same grid the section the caps leave open and the caps beyond the section.

  /usr/bin/python3 tools/cap_winding_check.py --halvex BIN LIBDIR \\
      [--points N] [--jobs 2] "-s -x+ -ca" part.dat ["-s -z- -ca" part.dat ...]
  /usr/bin/python3 tools/cap_winding_check.py --halvex BIN LIBDIR --from SUMMARY...

The second form takes the runs a summary of cap_area_check.py lists as not
closed.

Needs NumPy (Debian's python3-numpy); the solid angles of every polygon at
every grid point are many.
"""

import argparse
import math
import os
import re
import sys
import tempfile
from multiprocessing import Pool

import numpy as np

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import cap_area_check as check  # noqa: E402

HAIR = 0.01
POINTS = 8000
CHUNK = 256


def triangles(faces):
    """The faces as triangles (N, 3, 3), each wound to face its front."""
    out = []
    for face in faces:
        c = face.corners if face.front > 0 else list(reversed(face.corners))
        for k in range(1, len(c) - 1):
            out.append((c[0], c[k], c[k + 1]))
    return np.array(out, dtype=float).reshape(-1, 3, 3)


def winding(tris, points):
    """The winding number of the triangles at each point (M, 3)."""
    total = np.zeros(len(points))
    for start in range(0, len(points), CHUNK):
        p = points[start:start + CHUNK][:, None, :]
        a, b, c = tris[None, :, 0, :] - p, tris[None, :, 1, :] - p, tris[None, :, 2, :] - p
        la, lb, lc = (np.linalg.norm(v, axis=2) for v in (a, b, c))
        det = np.einsum("ijk,ijk->ij", a, np.cross(b, c))
        den = (la * lb * lc + np.einsum("ijk,ijk->ij", a, b) * lc +
               np.einsum("ijk,ijk->ij", a, c) * lb + np.einsum("ijk,ijk->ij", b, c) * la)
        total[start:start + CHUNK] = (2 * np.arctan2(det, den)).sum(axis=1) / (4 * math.pi)
    return total


def inside_polygons(polygons, xy):
    """Whether each point (M, 2) lies in any of the polygons (even-odd)."""
    hit = np.zeros(len(xy), dtype=bool)
    x, y = xy[:, 0], xy[:, 1]
    for corners in polygons:
        odd = np.zeros(len(xy), dtype=bool)
        n = len(corners)
        for k in range(n):
            (xa, ya), (xb, yb) = corners[k], corners[(k + 1) % n]
            if ya == yb:
                continue
            crosses = (ya > y) != (yb > y)
            at = xa + (y - ya) * (xb - xa) / (yb - ya)
            odd ^= crosses & (x < at)
        hit |= odd
    return hit


def measure(job):
    options_text, part = job
    options = options_text.split()
    plane = check.plane_of(options)
    with tempfile.TemporaryDirectory(prefix="halvex-winding-") as work:
        flat = os.path.join(work, "flat.dat")
        failure, _ = check.run(check.EXPAND_ONLY + ["-l", library, part], flat)
        if failure:
            return options_text, part, failure
        faces = check.read_faces(flat)
        if not faces or not all(f.front for f in faces):
            return options_text, part, "not certified: no front sides"
        capped = os.path.join(work, "caps.dat")
        failure, _ = check.run(options + ["-ff", str(check.CAP_COLOUR), "-l", library, part],
                               capped)
        if failure:
            return options_text, part, failure
        if "-e" in options:
            flat_out = os.path.join(work, "caps_s.dat")
            failure, _ = check.run(check.EXPAND_ONLY + ["-l", library, capped], flat_out)
            if failure:
                return options_text, part, failure
            capped = flat_out
        out_faces = check.read_faces(capped)
    u, v = plane.u, plane.v
    caps = [f for f in out_faces if f.colour == check.CAP_COLOUR and
            all(plane.distance(p) == 0.0 for p in f.corners)]
    in_plane = [f for f in faces if all(plane.distance(p) == 0.0 for p in f.corners)]
    cap_area = sum(check.polygon_area(f.corners) for f in caps)
    slice_ = check.Slice([f.corners for f in faces], plane)
    ends = [p for s in slice_.segments for p in s] + [(p[u], p[v]) for f in caps
                                                       for p in f.corners]
    if not ends:
        return options_text, part, (0.0, cap_area, 0.0, 0.0, 0.0)
    u0, u1 = min(p[0] for p in ends), max(p[0] for p in ends)
    v0, v1 = min(p[1] for p in ends), max(p[1] for p in ends)
    step = math.sqrt(max(u1 - u0, 1e-3) * max(v1 - v0, 1e-3) / points)
    us = np.arange(u0 + check.SHIFT_X * step, u1, step)
    vs = np.arange(v0 + check.SHIFT_Y * step, v1, step)
    gu, gv = np.meshgrid(us, vs)
    xy = np.stack([gu.ravel(), gv.ravel()], axis=1)
    space = np.zeros((len(xy), 3))
    space[:, u], space[:, v] = xy[:, 0], xy[:, 1]
    space[:, plane.axis] = plane.offset + plane.keep * HAIR
    solid = winding(triangles(faces), space) >= 0.5
    solid &= ~inside_polygons([[(p[u], p[v]) for p in f.corners] for f in in_plane], xy)
    on_cap = inside_polygons([[(p[u], p[v]) for p in f.corners] for f in caps], xy)
    cell = step * step
    return options_text, part, (solid.sum() * cell, cap_area, (solid & ~on_cap).sum() * cell,
                                (on_cap & ~solid).sum() * cell, step)


def start(lib, program, count):
    global library, points
    library, points = lib, count
    check.halvex = program


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("library")
    parser.add_argument("runs", nargs="*", help="option set and part, in pairs")
    parser.add_argument("--from", dest="summaries", nargs="+", default=[],
                        help="cap_area_check.py summaries: their runs not closed")
    parser.add_argument("--halvex", required=True)
    parser.add_argument("--points", type=int, default=POINTS)
    parser.add_argument("--jobs", type=int, default=2)
    args = parser.parse_args()
    if len(args.runs) % 2:
        parser.error("runs come in pairs: option set, part")
    lib = os.path.realpath(args.library)
    runs = list(args.runs)
    for summary in args.summaries:
        with open(summary) as f:
            for line in f:
                m = re.match(r"^  (-.*) (\S+\.dat): section ", line)
                if m:
                    runs += [m.group(1), m.group(2)]
    jobs = []
    for k in range(0, len(runs), 2):
        part = runs[k + 1]
        if not os.path.isfile(part):
            part = os.path.join(lib, "parts", part)
        jobs.append((runs[k], part))
    program = os.path.realpath(args.halvex)
    agree = measured = 0
    print("run: section by winding, caps, section left open, caps beyond it (LDU^2, grid step)")
    with Pool(args.jobs, start, (lib, program, args.points)) as pool:
        for options_text, part, result in pool.imap(measure, jobs):
            name = os.path.basename(part)
            if isinstance(result, str):
                print(f"{options_text} {name}: {result}")
                continue
            section, caps, left, beyond, step = result
            measured += 1
            # On the same grid points: the caps' outline and the section's
            # are compared point by point, free of the grid's rounding of
            # either area.
            ok = left + beyond <= check.RELATIVE * section + check.FLOOR
            agree += ok
            print(f"{options_text} {name}: {section:.2f} {caps:.2f} {left:.2f} {beyond:.2f} "
                  f"(step {step:.3f}) {'agrees' if ok else 'differs'}", flush=True)
    print(f"{agree} of {measured} runs measured agree: section left open and caps beyond it"
          f" together within {100 * check.RELATIVE:g} % of the section + {check.FLOOR} LDU^2")


library = None
points = POINTS

if __name__ == "__main__":
    main()
