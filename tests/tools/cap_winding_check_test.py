"""Tests of tools/cap_winding_check.py's measure: the winding number of boxes,
one sunk into another, at points inside each, in both and outside; and the
points of the plane on a polygon. Skipped where NumPy is missing.

    /usr/bin/python3 -m unittest discover -s tests/tools -p '*_test.py'"""

import os
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools"))

try:
    import numpy as np
    import cap_winding_check as winding
except ImportError:  # NumPy missing
    np = None

import cap_area_check as check  # noqa: E402
from cap_area_check_test import box  # noqa: E402


@unittest.skipIf(np is None, "needs NumPy")
class WindingTest(unittest.TestCase):
    def test_boxes_sunk_into_one_another_count_twice_where_both_are(self):
        faces = [check.Face(16, corners, 1) for corners in
                 box(-10, 10, -10, 10, -10, 10) + box(-10, 10, -5, 5, 5, 15)]
        points = np.array([[0, 0, 0], [0, 0, 8], [0, 0, 12], [0, 0, 20], [0, 8, 12]], dtype=float)
        numbers = winding.winding(winding.triangles(faces), points)
        np.testing.assert_allclose(numbers, [1, 2, 1, 0, 0], atol=1e-9)
        # Turned inside out, the part is nowhere.
        inverted = [check.Face(16, f.corners, -1) for f in faces]
        np.testing.assert_allclose(winding.winding(winding.triangles(inverted), points[:1]),
                                   [-1], atol=1e-9)

    def test_points_on_polygons(self):
        square = [(0, 0), (4, 0), (4, 4), (0, 4)]
        triangle = [(10, 0), (12, 0), (10, 2)]
        xy = np.array([[2, 2], [5, 2], [10.5, 0.5], [11.5, 1.5]], dtype=float)
        self.assertEqual(list(winding.inside_polygons([square, triangle], xy)),
                         [True, False, True, False])


if __name__ == "__main__":
    unittest.main()
