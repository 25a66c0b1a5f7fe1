"""Tests of tools/cap_area_check.py on shapes whose section is known: boxes,
prisms and tubes of 16 and 48 segments (their polygonal areas), a box with
a stud on top, faces lying in the plane, and hand-written caps.

    python3 -m unittest discover -s tests/tools -p '*_test.py'

With HALVEX_BINARY set, one case also cuts a file with that build and checks
hand-written caps added to its output through the command line."""

import math
import os
import random
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
TOOL = os.path.join(HERE, "..", "..", "tools", "cap_area_check.py")
sys.path.insert(0, os.path.dirname(TOOL))
import cap_area_check as check  # noqa: E402

# Fewer points than a library run: the shapes are simple, and the tests fast.
POINTS = 250_000


def outward(points, centre):
    """`points` turned to run counter-clockwise seen from outside, away
    from `centre`."""
    n = check.newell(points)
    middle = [sum(p[k] for p in points) / len(points) for k in range(3)]
    if sum(n[k] * (middle[k] - centre[k]) for k in range(3)) < 0:
        return list(reversed(points))
    return list(points)


def box(x0, x1, y0, y1, z0, z1):
    """The six quadrilaterals of a box, facing out."""
    lows, highs = (x0, y0, z0), (x1, y1, z1)
    centre = [(lows[k] + highs[k]) / 2 for k in range(3)]
    faces = []
    for axis in range(3):
        a, b = [k for k in range(3) if k != axis]
        for value in (lows[axis], highs[axis]):
            ring = []
            for s, t in ((0, 0), (1, 0), (1, 1), (0, 1)):
                p = [0.0, 0.0, 0.0]
                p[axis] = value
                p[a] = (lows[a], highs[a])[s]
                p[b] = (lows[b], highs[b])[t]
                ring.append(tuple(p))
            faces.append(outward(ring, centre))
    return faces


def ring_points(n, r, axis, height, centre=(0.0, 0.0, 0.0)):
    """n corners of a regular polygon of radius r around `axis`, the first
    on the next axis after it, at `height` along it."""
    a, b = (axis + 1) % 3, (axis + 2) % 3
    points = []
    for k in range(n):
        p = list(centre)
        p[axis] = height
        p[a] += r * math.cos(2 * math.pi * k / n)
        p[b] += r * math.sin(2 * math.pi * k / n)
        points.append(tuple(p))
    return points


def prism(n, r, axis, low, high, ends=(True, True), centre=(0.0, 0.0, 0.0)):
    """A cylinder of n segments: side quadrilaterals, and the two end discs
    as fans of triangles where `ends` says."""
    bottom = ring_points(n, r, axis, low, centre)
    top = ring_points(n, r, axis, high, centre)
    middle = list(centre)
    middle[axis] = (low + high) / 2
    faces = [outward([bottom[k], bottom[(k + 1) % n], top[(k + 1) % n], top[k]], middle)
             for k in range(n)]
    for ring, value, wanted in ((bottom, low, ends[0]), (top, high, ends[1])):
        if wanted:
            hub = list(centre)
            hub[axis] = value
            faces += [outward([tuple(hub), ring[k], ring[(k + 1) % n]], middle)
                      for k in range(n)]
    return faces


def tube(n, outer, inner, axis, low, high):
    """A tube of n segments: outer and inner sides, and end rings."""
    faces = []
    rings = {(r, h): ring_points(n, r, axis, h) for r in (outer, inner) for h in (low, high)}
    for k in range(n):
        j = (k + 1) % n
        o0, o1 = rings[(outer, low)], rings[(outer, high)]
        i0, i1 = rings[(inner, low)], rings[(inner, high)]
        # Outer side out, inner side toward the axis, ends out along it.
        for quad, inward in (([o0[k], o0[j], o1[j], o1[k]], False),
                             ([i0[k], i0[j], i1[j], i1[k]], True)):
            middle = [0.0, 0.0, 0.0]
            middle[axis] = (low + high) / 2
            faced = outward(quad, middle)
            faces.append(list(reversed(faced)) if inward else faced)
        for h, ring_o, ring_i in ((low, o0, i0), (high, o1, i1)):
            quad = [ring_o[k], ring_o[j], ring_i[j], ring_i[k]]
            n_axis = check.newell(quad)[axis]
            if (n_axis > 0) != (h == high):
                quad.reverse()
            faces.append(quad)
    return faces


def polygon_area(n, r):
    return n / 2 * r * r * math.sin(2 * math.pi / n)


def faces_text(corner_lists, colour=16, header="0 BFC CERTIFY CCW"):
    lines = [header] if header else []
    for corners in corner_lists:
        kind = len(corners)
        lines.append(f"{kind} {colour} " + " ".join(f"{c:.6g}" for p in corners for c in p))
    return "\n".join(lines) + "\n"


def section(corner_lists, plane_option):
    return check.Section(corner_lists, check.plane_of([plane_option]), points=POINTS)


def caps_of(corner_lists, output_faces, plane_option, cap_corner_lists, header="0 BFC CERTIFY CCW"):
    """The findings for `output_faces` (corner lists, colour 16) with the
    caps `cap_corner_lists` (colour 10077) added."""
    plane = check.plane_of([plane_option])
    text = faces_text(output_faces, header=header) + faces_text(
        cap_corner_lists, colour=check.CAP_COLOUR, header="")
    return check.CapFindings(section(corner_lists, plane_option),
                             check.parse_faces(text), plane)


class SectionAreaTest(unittest.TestCase):
    """The estimate against the exact area, within its own uncertainty and
    far within the 1 % of the comparison."""

    def assertArea(self, result, expected, share=1e-3):
        error = abs(result.area - expected)
        self.assertLessEqual(error, share * expected, f"{result.area} against {expected}")
        self.assertLess(result.sigma, 1e-3 * expected)
        if result.closed_area != result.area:
            self.assertLessEqual(abs(result.closed_area - expected), share * expected)
        if share <= 1e-3:
            # Where no ray is fooled, the stated uncertainty is honest: the
            # error lies within a few of it.
            self.assertLessEqual(error, 5 * result.sigma,
                                 f"{result.area} +- {result.sigma} against {expected}")

    def test_box_across_each_axis(self):
        faces = box(-20, 30, -4, 24, -10, 10)
        self.assertArea(section(faces, "-x+"), 28 * 20)
        self.assertArea(section(faces, "-x-"), 28 * 20)
        self.assertArea(section(faces, "-y-"), 50 * 20)
        self.assertArea(section(faces, "-z-"), 50 * 28)
        # A plane off the origin, and one that misses the box.
        off = check.Section(faces, check.plane_of(["-x++", "5"]), points=POINTS)
        self.assertArea(off, 28 * 20)
        self.assertEqual(section(faces, "-z+").area, section(faces, "-z-").area)
        missing = check.Section(faces, check.plane_of(["-x++", "40"]), points=POINTS)
        self.assertEqual(missing.area, 0.0)

    def test_boxes_sunk_into_one_another(self):
        # No face where they meet: the parity of the crossings counts the
        # overlap out, the front sides count it in; without front sides
        # there is no estimate by them.
        faces = box(-10, 10, -10, 10, -10, 10) + box(-10, 10, -5, 5, 5, 15)
        plane = check.plane_of(["-x+"])
        result = check.Section(faces, plane, points=POINTS, fronts=[1] * len(faces))
        self.assertArea(result, 400 + 100 - 2 * 50, share=2e-3)
        self.assertLessEqual(abs(result.winding_area - 450), 1e-3 * 450)
        # Turned inside out (fronts all -1) nothing is inside by them.
        inverted = check.Section(faces, plane, points=POINTS, fronts=[-1] * len(faces))
        self.assertEqual(inverted.winding_area, 0.0)
        self.assertIsNone(section(faces, "-x+").winding_area)

    def test_thin_wall(self):
        # A wall 0.5 LDU thick and 80 long: the grid resolves it.
        self.assertArea(section(box(-10, 10, 0, 0.5, -40, 40), "-x+"), 0.5 * 80)

    def test_prisms_across_their_axis_give_the_polygon(self):
        for n in (16, 48):
            for axis, plane in ((0, "-x+"), (2, "-z-")):
                with self.subTest(n=n, plane=plane):
                    self.assertArea(section(prism(n, 10, axis, -8, 8), plane),
                                    polygon_area(n, 10))

    def test_prism_along_its_axis_gives_a_rectangle(self):
        # Axis y, 16 segments: corners at z = +-6 lie in the plane x = 0.
        self.assertArea(section(prism(16, 6, 1, -4, 0), "-x+"), 12 * 4)
        self.assertArea(section(prism(48, 6, 1, -4, 0), "-z-"), 12 * 4)

    def test_tubes_give_the_ring(self):
        for n in (16, 48):
            with self.subTest(n=n):
                faces = tube(n, 8, 6, 0, -10, 10)
                self.assertArea(section(faces, "-x+"), polygon_area(n, 8) - polygon_area(n, 6))
                # Along the axis: two walls of 2 LDU (corners on the plane).
                self.assertArea(section(faces, "-z-"), 2 * 2 * 20)

    def test_box_with_a_stud_on_top(self):
        # A stud, open at the bottom, stands on the closed top of a box:
        #
        #          +--+        y = -4
        #   +------+--+------+ y = 0   (the box's top runs on under the stud)
        #   |                |
        #   +----------------+ y = 8
        #
        # Rays in the plane near the box's top under the stud see one face
        # too many; the rays across the plane see the stud's open end cast
        # the shadow of the box's top and cancel it, and decide.
        faces = box(-20, 20, 0, 8, -10, 10) + prism(16, 6, 1, -4, 0, ends=(True, False))
        result = section(faces, "-x+")
        self.assertArea(result, 20 * 8 + 12 * 4)
        self.assertGreater(result.contested, 1.0)
        self.assertEqual(result.tied, 0.0)
        self.assertArea(section(faces, "-z-"), 40 * 8 + 12 * 4)

    def test_a_disc_ending_inside_a_tyre(self):
        # A wheel: a closed tyre around the axis z, and a disc whose rim is
        # open, standing on the tyre's inside. Across the plane x = 0 the
        # rays from the disc cross the tyre twice and fail; the rays in the
        # plane outvote them but near the tyre's inside, where that wall
        # fools half of them too (0.3 % here, a join 1 LDU long in 32 LDU^2).
        #
        #   +--+                  +--+  z = 2
        #   |  +------------------+  |  z = 0.5
        #   |  +------------------+  |  z = -0.5
        #   +--+                  +--+  z = -2
        #  y = -10  -8          8  10
        disc = [f for f in prism(16, 8, 2, -0.5, 0.5) if len(f) == 3]
        result = section(tube(16, 10, 8, 2, -2, 2) + disc, "-x+")
        self.assertArea(result, 2 * 2 * 4 + 16 * 1, share=0.01)
        self.assertGreater(result.contested, 10.0)

    def test_ribs_standing_on_the_walls_of_a_hollow_brick(self):
        # A brick open below, cut at z = 0; ribs stand on its walls, open
        # where they touch them (no face at x = -18 or 18, nor at y = 2):
        #
        #   +------------------------------+  y = 0
        #   | +--------------------------+ |  y = 2
        #   | |  |                    |  | |
        #   +-+--+                    +--+-+  y = 24
        #  -20 -18 -15               15 18 20
        #
        # From the hollow, the walls' insides run on between the ribs and the
        # walls and fool most rays in the plane; the closed outline settles it.
        def without(faces, axis, value):
            return [f for f in faces if not all(p[axis] == value for p in f)]

        rim = [[(-20, 24, -10), (20, 24, -10), (20, 24, -8), (-20, 24, -8)],
               [(-20, 24, 8), (20, 24, 8), (20, 24, 10), (-20, 24, 10)],
               [(-20, 24, -8), (-18, 24, -8), (-18, 24, 8), (-20, 24, 8)],
               [(18, 24, -8), (20, 24, -8), (20, 24, 8), (18, 24, 8)]]
        faces = (without(box(-20, 20, 0, 24, -10, 10), 1, 24) +
                 without(box(-18, 18, 2, 24, -8, 8), 1, 24) + rim +
                 without(without(box(-18, -15, 2, 24, -1, 1), 0, -18), 1, 2) +
                 without(without(box(15, 18, 2, 24, -1, 1), 0, 18), 1, 2))
        result = section(faces, "-z-")
        expected = 40 * 24 - 36 * 22 + 2 * 3 * 22
        self.assertAlmostEqual(result.closed_area, expected, delta=1e-3 * expected)
        self.assertGreater(abs(result.area - expected), 0.05 * expected)
        self.assertTrue(check.in_doubt({"section": result.area,
                                        "closed section": result.closed_area}))
        # Across x = 0 the ribs are not cut: the brick's walls alone.
        across = section(faces, "-x+")
        self.assertArea(across, 24 * 20 - 22 * 16)
        self.assertAlmostEqual(across.closed_area, across.area, delta=1e-9)

    def test_an_open_end_across_the_plane_is_outvoted(self):
        # A box without its face at x = 10: the rays across the plane x = 0
        # disagree everywhere, those in it decide.
        faces = [f for f in box(-10, 10, 0, 8, -10, 10) if not all(p[0] == 10 for p in f)]
        result = section(faces, "-x+")
        self.assertArea(result, 8 * 20)
        self.assertEqual(result.contested, 0.0)

    def test_faces_in_the_plane_are_not_section(self):
        # A box beside the plane, its face lying in it: closed already.
        self.assertEqual(section(box(0, 10, 0, 8, -10, 10), "-x+").area, 0.0)
        self.assertEqual(section(box(0, 10, 0, 8, -10, 10), "-x-").area, 0.0)
        # Two boxes meeting in the plane, each closed: the wall between them
        # is a face in the plane, no section either.
        both = box(-10, 0, 0, 8, -10, 10) + box(0, 10, 0, 8, -10, 10)
        self.assertEqual(section(both, "-x+").area, 0.0)
        # A face in the plane covering part of the section takes its area.
        faces = box(-10, 10, 0, 8, -10, 10) + [[(0, 0, -10), (0, 0, 0), (0, 8, 0), (0, 8, -10)]]
        self.assertArea(section(faces, "-x+"), 8 * 10)

    def test_a_gap_in_the_outline_is_outvoted(self):
        # A box with a slit of 0.2 LDU in one face across the plane: the
        # rows through the slit see an odd count.
        faces = [f for f in box(-10, 10, 0, 8, -10, 10)
                 if not (all(p[2] == -10 for p in f))]
        faces.append([(-10, 0, -10), (-10, 8, -10), (-0.1, 8, -10), (-0.1, 0, -10)])
        faces.append([(0.1, 0, -10), (0.1, 8, -10), (10, 8, -10), (10, 0, -10)])
        result = section(faces, "-z-")
        # The slit is no gap in the plane z = 0; across x = 0 it is one.
        self.assertArea(result, 20 * 8)
        gapped = section(faces, "-x+")
        self.assertLess(abs(gapped.area - 8 * 20), 0.01 * 8 * 20)


class CapTest(unittest.TestCase):
    # A box |x| <= 10, 0 <= y <= 8, |z| <= 10 cut at x = 0, keeping x > 0.
    PART = box(-10, 10, 0, 8, -10, 10)
    KEPT = [f for f in box(0, 10, 0, 8, -10, 10) if not all(p[0] == 0 for p in f)]
    # The cap, counter-clockwise seen from x < 0, the removed side.
    CAP = [(0, 0, -10), (0, 0, 10), (0, 8, 10), (0, 8, -10)]

    def test_one_cap_closes(self):
        self.assertLess(check.newell(self.CAP)[0], 0)
        found = caps_of(self.PART, self.KEPT, "-x+", [self.CAP])
        self.assertEqual((found.count, found.wrong_facing, found.unknown_facing), (1, 0, 0))
        self.assertAlmostEqual(found.area, 160)
        self.assertTrue(check.agrees(section(self.PART, "-x+").area, found.area))
        self.assertLess(found.open + found.extra, 0.1)
        self.assertLess(found.cap_overlap, 1e-9)
        self.assertLess(found.flat_overlap, 1e-9)

    def test_two_triangles_close_and_clockwise_files_read_right(self):
        halves = [self.CAP[:3], [self.CAP[2], self.CAP[3], self.CAP[0]]]
        self.assertEqual(caps_of(self.PART, self.KEPT, "-x+", halves).wrong_facing, 0)
        # The same corners in a file wound clockwise face the kept side.
        clockwise = caps_of(self.PART, self.KEPT, "-x+", halves,
                            header="0 BFC CERTIFY CW")
        self.assertEqual(clockwise.wrong_facing, 2)
        self.assertAlmostEqual(clockwise.wrong_facing_area, 160)
        uncertified = caps_of(self.PART, self.KEPT, "-x+", halves, header="")
        self.assertEqual((uncertified.wrong_facing, uncertified.unknown_facing), (0, 2))

    def test_cap_colour_off_the_plane(self):
        stray = [(1, 0, -10), (1, 0, 10), (1, 8, 10)]
        found = caps_of(self.PART, self.KEPT, "-x+", [self.CAP, stray])
        self.assertEqual((found.count, found.off_plane), (1, 1))
        self.assertAlmostEqual(found.area, 160)

    def test_wrong_facing_cap(self):
        found = caps_of(self.PART, self.KEPT, "-x+", [list(reversed(self.CAP))])
        self.assertEqual(found.wrong_facing, 1)
        # Kept x < 0: the removed side is x > 0, the reversed cap faces it.
        kept = [f for f in box(-10, 0, 0, 8, -10, 10) if not all(p[0] == 0 for p in f)]
        self.assertEqual(caps_of(self.PART, kept, "-x-", [list(reversed(self.CAP))])
                         .wrong_facing, 0)

    def test_half_a_cap_leaves_half_open(self):
        half = [(0, 0, -10), (0, 0, 0), (0, 8, 0), (0, 8, -10)]
        found = caps_of(self.PART, self.KEPT, "-x+", [half])
        self.assertAlmostEqual(found.area, 80)
        self.assertFalse(check.agrees(section(self.PART, "-x+").area, found.area))
        self.assertAlmostEqual(found.open, 80, delta=0.1)
        self.assertLess(found.extra, 0.1)

    def test_cap_beyond_the_section(self):
        big = [(0, -2, -10), (0, -2, 10), (0, 8, 10), (0, 8, -10)]
        found = caps_of(self.PART, self.KEPT, "-x+", [big])
        self.assertAlmostEqual(found.extra, 20 * 2, delta=0.1)

    def test_overlaps(self):
        halves = [self.CAP[:3], [self.CAP[2], self.CAP[3], self.CAP[0]]]
        twice = caps_of(self.PART, self.KEPT, "-x+", halves + [self.CAP[:3]])
        self.assertAlmostEqual(twice.cap_overlap, 80, delta=0.5)
        self.assertGreater(twice.cap_overlap, twice.overlap_tolerance)
        # A face of the output lying in the plane, under a cap: the part has
        # a wall in the plane over z < 0 (its section there is closed).
        wall = [(0, 0, -10), (0, 8, -10), (0, 8, 0), (0, 0, 0)]
        over = caps_of(self.PART + [wall], self.KEPT + [wall], "-x+", [self.CAP])
        self.assertAlmostEqual(over.flat_overlap, 80, delta=0.5)
        self.assertGreater(over.flat_overlap, over.overlap_tolerance)
        self.assertAlmostEqual(over.extra, 80, delta=0.5)
        # Caps only beside the wall: no overlap.
        beside = [(0, 0, 0), (0, 0, 10), (0, 8, 10), (0, 8, 0)]
        fine = caps_of(self.PART + [wall], self.KEPT + [wall], "-x+", [beside])
        self.assertLess(fine.flat_overlap, fine.overlap_tolerance)
        self.assertTrue(check.agrees(section(self.PART + [wall], "-x+").area, fine.area))

    def test_plane_options(self):
        plane = check.plane_of("-s -z- -ca".split())
        self.assertEqual((plane.axis, plane.keep, plane.offset), (2, -1, 0.0))
        plane = check.plane_of(["-y++", "4", "-i"])
        self.assertEqual((plane.axis, plane.keep, plane.offset), (1, -1, 4.0))
        self.assertIsNone(check.plane_of(["-x+", "-z-"]))
        self.assertIsNone(check.plane_of(["-s"]))


@unittest.skipUnless(os.environ.get("HALVEX_BINARY"), "HALVEX_BINARY not set")
class CommandLineTest(unittest.TestCase):
    def test_cut_box_with_stud_and_written_caps(self):
        faces = box(-20, 20, 0, 8, -10, 10) + prism(16, 6, 1, -4, 0, ends=(True, False))
        with tempfile.TemporaryDirectory() as work:
            part = os.path.join(work, "part.dat")
            cut = os.path.join(work, "cut.dat")
            with open(part, "w") as f:
                f.write(faces_text(faces))
            done = subprocess.run([os.environ["HALVEX_BINARY"], "-s", "-x+", "-ca", part, cut],
                                  stdin=subprocess.DEVNULL, capture_output=True)
            self.assertEqual(done.returncode, 0, done.stdout)
            # The box's section and the stud's, facing x < 0.
            caps = [[(0, 0, -10), (0, 0, 10), (0, 8, 10), (0, 8, -10)],
                    [(0, -4, -6), (0, -4, 6), (0, 0, 6), (0, 0, -6)]]
            with open(cut, "ab") as f:
                f.write(faces_text(caps, colour=check.CAP_COLOUR, header="").encode())

            def tool(*args):
                return subprocess.run([sys.executable, TOOL, "--original", part, "--output",
                                       cut, "--points", str(POINTS)] + list(args),
                                      capture_output=True, text=True)

            good = tool("--plane=-x+")
            self.assertEqual(good.returncode, 0, good.stdout + good.stderr)
            self.assertIn("caps 208.0000 LDU^2 in 2 faces", good.stdout)
            self.assertIn("\nclosed", good.stdout)
            # Against the plane z = 0 the caps close nothing.
            self.assertEqual(tool("--plane=-z-").returncode, 1)


# Stands in for a build with -ff: runs the build without it, then adds to
# the output the caps of the box |x| <= 10, |y| <= 8, |z| <= 6, closing the
# cut x = 0 and only half the cut z = 0, and says so.
FAKE_CAPS = """
import subprocess, sys
args = sys.argv[1:]
colour = None
if "-ff" in args:
    colour = args[args.index("-ff") + 1]
    del args[args.index("-ff"):args.index("-ff") + 2]
done = subprocess.run([HALVEX] + args, stdin=subprocess.DEVNULL)
if done.returncode == 0 and colour:
    caps = {"-x+": "4 %s 0 -8 -6 0 -8 6 0 8 6 0 8 -6",
            "-z-": "4 %s -10 -8 0 0 -8 0 0 8 0 -10 8 0"}
    plane = next(a for a in args if a in caps)
    with open(args[-1], "a") as f:
        f.write(caps[plane] % colour + "\\r\\n")
    if plane == "-z-":
        print("Region left open at 5 8 0")
sys.exit(done.returncode)
"""


@unittest.skipIf(check.np is None, "needs NumPy")
class NumpyCountTest(unittest.TestCase):
    """The rays counted by NumPy give the pure-Python loops' votes to the
    last point, on outlines that stress where they could part: crossings on
    grid points and lines, segments along lines, beyond the grid, lines
    crossed an odd number of times, and grids long either way."""

    def pure(self, function, *args):
        saved, check.np = check.np, None
        try:
            return function(*args)
        finally:
            check.np = saved

    def outlines(self, grid, seed):
        """Closed polygons with some corners on grid points, and an open
        chain; `oriented` with sides of every sign along each orientation."""
        rng = random.Random(seed)
        w, h = grid.width, grid.height

        def corner():
            x, y = rng.uniform(-3, w + 2), rng.uniform(-3, h + 2)
            return (float(round(x)), float(round(y))) if rng.random() < 0.3 else (x, y)

        segments = []
        for _ in range(6):
            ring = [corner() for _ in range(rng.randint(3, 9))]
            segments += list(zip(ring, ring[1:] + ring[:1]))
        chain = [corner() for _ in range(5)]
        segments += list(zip(chain, chain[1:]))
        oriented = [(a, b, (float(rng.randint(-2, 2)), float(rng.randint(-2, 2))))
                    for a, b in segments]
        return segments, oriented

    def test_votes_match_the_loops(self):
        for extent, points in ((((0, 0), (30, 7)), 3000), (((0, 0), (5, 40)), 2000),
                               (((0, 0), (1, 1)), 4)):
            grid = check.Grid(list(extent), points)
            for seed in range(4):
                segments, oriented = self.outlines(grid, seed)
                fills = {n: memoryview(bytes([n]) * max(grid.width, grid.height)) for n in (1, 2)}
                with self.subTest(size=(grid.width, grid.height), seed=seed):
                    self.assertEqual(check.ray_votes(grid, segments, fills),
                                     self.pure(check.ray_votes, grid, segments, fills))
                    self.assertEqual(check.winding_votes(grid, oriented),
                                     self.pure(check.winding_votes, grid, oriented))
                    self.assertEqual(check.perpendicular_votes(grid, segments),
                                     self.pure(check.perpendicular_votes, grid, segments))

    def test_sections_match_the_loops(self):
        faces = box(-20, 20, 0, 8, -10, 10) + prism(16, 6, 1, -4, 0, ends=(True, False))
        for option in ("-x+", "-z-"):
            fast = section(faces, option)
            slow = self.pure(section, faces, option)
            self.assertEqual([fast.area, fast.sigma, fast.closed_area, fast.winding_area,
                              fast.tied, fast.contested],
                             [slow.area, slow.sigma, slow.closed_area, slow.winding_area,
                              slow.tied, slow.contested])


@unittest.skipUnless(os.environ.get("HALVEX_BINARY"), "HALVEX_BINARY not set")
class LibraryRunTest(unittest.TestCase):
    def test_runs_sets_against_a_build_with_caps(self):
        with tempfile.TemporaryDirectory() as work:
            os.makedirs(os.path.join(work, "lib", "parts"))
            with open(os.path.join(work, "lib", "parts", "box.dat"), "w") as f:
                f.write(check.box_text(10, 8, 6))
            fake = os.path.join(work, "halvex")
            with open(fake, "w") as f:
                f.write(f"#!{sys.executable}\nHALVEX = {os.environ['HALVEX_BINARY']!r}\n"
                        + FAKE_CAPS)
            os.chmod(fake, 0o755)
            done = subprocess.run([sys.executable, TOOL, "--halvex", fake,
                                   os.path.join(work, "lib"), "--jobs", "1", "--points",
                                   str(POINTS)], capture_output=True, text=True)
        out = done.stdout
        self.assertEqual(done.returncode, 1, out + done.stderr)
        self.assertIn("1 parts, 3 runs, 0 that did not run", out)
        self.assertIn("Caps: 2 of 3 runs closed", out)
        self.assertRegex(out, r"-s -z- -ca box.dat: section (319\.99|320\.00)\d \+- 0\.0\d\d, "
                         r"closed (319\.99|320\.00)\d, by front sides (319\.99|320\.00)\d, "
                         r"caps 160\.000 \(1 faces\), "
                         r"open (159\.99|160\.00)\d, beyond 0\.000")
        self.assertIn("halvex: Region left open at 5 8 0", out)
        self.assertIn("Overlaps: 0 runs", out)
        self.assertIn("Wrong facing: 0 runs", out)
        self.assertIn("Other lines: 0 runs", out)


if __name__ == "__main__":
    unittest.main()
