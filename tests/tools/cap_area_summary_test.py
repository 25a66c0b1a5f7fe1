"""Tests of tools/cap_area_summary.py: summaries that tools/cap_area_check.py
itself prints, read back and put together, so that a change of the one's
wording cannot quietly drop runs from the other's totals."""

import contextlib
import io
import os
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools"))

import cap_area_check as check  # noqa: E402
import cap_area_summary as summary  # noqa: E402


def result(options, section, caps, closed=None, reasons=()):
    closed = section if closed is None else closed
    return {"set": options, "section": section, "sigma": 0.01, "closed section": closed,
            "winding section": section, "contested": 0.0, "tied": 0.0, "problem": None,
            "caps": caps, "cap count": 2, "open": max(0.0, section - caps),
            "extra": max(0.0, caps - section), "cap overlap": 0.0, "flat overlap": 0.0,
            "overlap tolerance": 0.01, "wrong facing": 0, "wrong facing area": 0.0,
            "unknown facing": 0, "off plane": 0, "other lines changed": 0,
            "reasons": list(reasons)}


def printed_summary(results):
    check.caps_supported = True
    text = io.StringIO()
    with contextlib.redirect_stdout(text):
        check.summarise(results, [name for name, _ in results], 10.0, 2)
    return text.getvalue()


class SummaryTest(unittest.TestCase):
    def test_pieces_add_up_and_runs_not_closed_are_listed_by_class(self):
        open_line = "Cut in plane x = 0 left open near 0 1 2: the section's boundary does not close"
        first = [("a.dat", [result(o, 100, 100) for o in check.OPTION_SETS]),
                 ("b.dat", [result(check.OPTION_SETS[0], 100, 60, reasons=[open_line]),
                            result(check.OPTION_SETS[1], 100, 130),
                            result(check.OPTION_SETS[2], 100, 100)])]
        second = [("c.dat", [result(check.OPTION_SETS[0], 100, 10, closed=300),
                             result(check.OPTION_SETS[1], 0, 0),
                             result(check.OPTION_SETS[2], 50, 20)])]
        with tempfile.TemporaryDirectory() as work:
            paths = []
            for k, results in enumerate((first, second)):
                paths.append(os.path.join(work, f"chunk_{k}.out"))
                with open(paths[-1], "w", encoding="utf-8") as out:
                    out.write(printed_summary(results))
            listing = os.path.join(work, "list.txt")
            text = io.StringIO()
            with contextlib.redirect_stdout(text):
                code = summary.main_with(paths + ["--list", listing])
            self.assertEqual(code, 0)
            printed = text.getvalue()
            self.assertIn("3 parts, 9 runs, 0 that did not run", printed)
            self.assertIn("closed: 5 of 9 runs (55.56 %)", printed)
            self.assertIn("parts closed in every run: 1 of 3", printed)
            self.assertIn("not closed: 4 runs of 2 parts", printed)
            with open(listing, encoding="utf-8") as lines:
                listed = lines.read().splitlines()
        self.assertEqual([line.split(":")[0] for line in listed],
                         ["b.dat -s -x+ -ca", "b.dat -s -z- -ca", "c.dat -e -x+ -ca",
                          "c.dat -s -x+ -ca"])
        self.assertIn("fewer caps, regions named open; " + open_line, listed[0])
        self.assertIn("; more caps", listed[1])
        self.assertIn("; fewer caps, nothing named open", listed[2])
        self.assertIn("; section in doubt", listed[3])

    def test_a_piece_cut_off_before_its_end_is_reported_incomplete(self):
        printed = printed_summary([("a.dat", [result(o, 100, 100) for o in check.OPTION_SETS])])
        with tempfile.TemporaryDirectory() as work:
            path = os.path.join(work, "chunk.out")
            with open(path, "w", encoding="utf-8") as out:
                out.write(printed.split("wall time")[0])
            with contextlib.redirect_stdout(io.StringIO()):
                self.assertEqual(summary.main_with([path]), 1)


if __name__ == "__main__":
    unittest.main()
