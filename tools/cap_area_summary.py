#!/usr/bin/env python3
"""Puts together the summaries of tools/cap_area_check.py runs on pieces of
the library (a run on the whole library takes hours, so it goes in pieces
that can be repeated one by one) and, where there are any, the verdicts of
tools/cap_winding_check.py on the runs they list as not closed.

  python3 tools/cap_area_summary.py SUMMARY... [--winding OUT...] [--list FILE]

Prints the totals: runs, runs closed per option set, parts closed in every
run, the runs not closed by class, and any overlap, wrong facing or other
line changed. With --list, writes one line per run not closed: its areas,
its class, the winding verdict and the first region Halvex named open.

The classes, from the summary's own numbers:
  section in doubt        the checker's two estimates of the section (the
                          outline as read, and closed) differ by more than
                          its tolerance: an outline open beyond the gaps it
                          closes, so neither it nor the caps can be judged;
  more caps / fewer caps  than every estimate of the section, with or
                          without regions that Halvex named open.
"""

import argparse
import re
import sys
from collections import Counter

RUN = re.compile(r"  (-.*?) (\S+\.dat): section ([-\d.]+) \+- ([\d.]+), closed ([-\d.]+), "
                 r"by front sides (\S+), caps ([\d.]+) \((\d+) faces\), open ([\d.]+), "
                 r"beyond ([\d.]+), tied ([\d.]+)(.*)")


def read_summary(path, totals, per_set, not_closed, findings):
    section = None
    complete = False
    run = None
    for line in open(path, encoding="utf-8"):
        line = line.rstrip("\n")
        m = re.match(r"(\d+) parts, (\d+) runs, (\d+) that did not run", line)
        if m:
            totals["parts"] += int(m[1])
            totals["runs"] += int(m[2])
            totals["did not run"] += int(m[3])
            section = "problems"
            continue
        if line.startswith("Sections: "):
            section = None
            continue
        m = re.match(r"Caps: (\d+) of (\d+) runs closed", line)
        if m:
            totals["closed"] += int(m[1])
            totals["capped"] += int(m[2])
            section = None
            continue
        m = re.match(r"  (-.*): (\d+) of (\d+) closed \((\d+) with nothing", line)
        if m:
            counts = per_set.setdefault(m[1], [0, 0, 0])
            for k in range(3):
                counts[k] += int(m[k + 2])
            continue
        m = re.match(r"  (\d+) of them by the estimate by front sides", line)
        if m:
            totals["by front sides alone"] += int(m[1])
            continue
        if line.startswith("Not closed: "):
            section = "not closed"
            continue
        for key, label in (("Overlaps: ", "overlaps"), ("Wrong facing: ", "wrong facing"),
                           ("Other lines: ", "other lines")):
            if line.startswith(key):
                totals[label] += int(line[len(key):].split()[0])
                section = label
        m = re.match(r"wall time (\d+) s", line)
        if m:
            totals["seconds"] += int(m[1])
            complete = True
            section = None
            continue
        if section == "not closed":
            m = RUN.match(line)
            if m:
                run = {"set": m[1], "name": m[2], "section": float(m[3]),
                       "closed": float(m[5]), "front sides": m[6], "caps": float(m[7]),
                       "doubt": "(in doubt)" in m[12], "halvex": []}
                not_closed.append(run)
            elif line.startswith("      halvex: ") and run:
                run["halvex"].append(line[len("      halvex: "):])
        elif section and section != "not closed" and line.startswith("  "):
            findings.append(f"{section}: {line.strip()}")
    return complete


def named_open(run):
    return [h for h in run["halvex"] if " left open near " in h]


def class_of(run):
    if run["doubt"]:
        return "section in doubt"
    opened = ", regions named open" if named_open(run) else ""
    if run["caps"] < min(run["section"], run["closed"]):
        return "fewer caps" + (opened or ", nothing named open")
    return "more caps" + opened


def read_winding(paths):
    verdicts = {}
    for path in paths:
        for line in open(path, encoding="utf-8"):
            m = re.match(r"(-.*?) (\S+\.dat): (.*)$", line.rstrip())
            if m:
                text = m[3]
                verdicts[(m[1], m[2])] = ("agrees" if text.endswith("agrees") else
                                          "differs" if text.endswith("differs") else
                                          "not measured")
    return verdicts


def main_with(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("summaries", nargs="+")
    parser.add_argument("--winding", nargs="*", default=[])
    parser.add_argument("--list")
    args = parser.parse_args(argv)
    totals, per_set, not_closed, findings = Counter(), {}, [], []
    incomplete = [p for p in args.summaries
                  if not read_summary(p, totals, per_set, not_closed, findings)]
    verdicts = read_winding(args.winding)
    parts_not_closed = {r["name"] for r in not_closed}
    print(f"{len(args.summaries)} summaries ({len(incomplete)} incomplete:"
          f" {' '.join(incomplete) or '-'}); {totals['parts']} parts, {totals['runs']} runs,"
          f" {totals['did not run']} that did not run")
    capped = max(1, totals["capped"])
    print(f"closed: {totals['closed']} of {totals['capped']} runs"
          f" ({100 * totals['closed'] / capped:.2f} %), {totals['by front sides alone']} of"
          f" them by the estimate by front sides alone")
    for options, (good, count, nothing) in per_set.items():
        print(f"  {options}: {good} of {count} closed ({100 * good / max(1, count):.2f} %),"
              f" {nothing} with nothing to close")
    every = totals["parts"] - len(parts_not_closed)
    print(f"parts closed in every run: {every} of {totals['parts']}"
          f" ({100 * every / max(1, totals['parts']):.2f} %)")
    print(f"not closed: {len(not_closed)} runs of {len(parts_not_closed)} parts")
    classes = Counter(class_of(r) for r in not_closed)
    for name, count in classes.most_common():
        by_verdict = Counter(verdicts.get((r["set"], r["name"]), "no verdict")
                             for r in not_closed if class_of(r) == name)
        print(f"  {name}: {count}" + ("" if not verdicts else " (winding: " + ", ".join(
            f"{v} {n}" for v, n in sorted(by_verdict.items())) + ")"))
    print(f"overlaps {totals['overlaps']}, wrong facing {totals['wrong facing']},"
          f" other lines {totals['other lines']}")
    for line in findings:
        print(f"  {line}")
    print(f"wall time {totals['seconds']} s")
    if args.list:
        with open(args.list, "w", encoding="utf-8") as out:
            for r in sorted(not_closed, key=lambda r: (r["name"], r["set"])):
                verdict = verdicts.get((r["set"], r["name"]))
                named = named_open(r)[:1]
                out.write(f"{r['name']} {r['set']}: section {r['section']:.2f} (closed"
                          f" {r['closed']:.2f}, by front sides {r['front sides']}), caps"
                          f" {r['caps']:.2f}; {class_of(r)}"
                          + (f"; winding {verdict}" if verdict else "")
                          + (f"; {named[0]}" if named else "") + "\n")
    return 1 if incomplete else 0


if __name__ == "__main__":
    sys.exit(main_with(sys.argv[1:]))
