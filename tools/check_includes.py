#!/usr/bin/env python3
"""Checks the includes of src/: no include from a lower layer to a higher one,
and no circle of includes between units (a header and its sources, those of
each platform included) or between folders.

    python3 tools/check_includes.py [SRC_DIR]

Layers, lowest first: platform, geometry, splitting, elements, model,
checking, app. Prints every include against the layers and every circle, and
exits 1 when there is any; otherwise prints the counts and exits 0.
"""
import os
import re
import sys

LAYERS = ["platform", "geometry", "splitting", "elements", "model", "checking", "app"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def unit_of(path, headers):
    """The unit of a file: its header's path without the ending. A source
    without a header of its own name (file_system_posix.cc) belongs to the
    longest header name it starts with followed by "_"."""
    stem, _ = os.path.splitext(path)
    if stem + ".h" in headers:
        return stem
    folder, name = os.path.split(stem)
    best = None
    for header in headers:
        hfolder, hname = os.path.split(os.path.splitext(header)[0])
        if hfolder == folder and name.startswith(hname + "_"):
            if best is None or len(hname) > len(best):
                best = hname
    return os.path.join(folder, best) if best else stem


def circles(graph):
    """The strongly connected components of more than one node (Tarjan)."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []
    counter = [0]

    def visit(node):
        index[node] = low[node] = counter[0]
        counter[0] += 1
        stack.append(node)
        on_stack.add(node)
        for nxt in sorted(graph.get(node, ())):
            if nxt not in index:
                visit(nxt)
                low[node] = min(low[node], low[nxt])
            elif nxt in on_stack:
                low[node] = min(low[node], index[nxt])
        if low[node] == index[node]:
            component = []
            while True:
                top = stack.pop()
                on_stack.discard(top)
                component.append(top)
                if top == node:
                    break
            if len(component) > 1:
                found.append(sorted(component))

    for node in sorted(graph):
        if node not in index:
            visit(node)
    return found


def main():
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "src")
    files = []
    for root, _, names in os.walk(src):
        for name in names:
            if name.endswith((".h", ".cc")):
                files.append(os.path.relpath(os.path.join(root, name), src))
    headers = {f for f in files if f.endswith(".h")}
    problems = []
    units, folders = {}, {}
    includes = 0
    for path in sorted(files):
        with open(os.path.join(src, path), encoding="utf-8") as f:
            text = f.read()
        layer = path.split(os.sep)[0]
        unit = unit_of(path, headers)
        units.setdefault(unit, set())
        for target in INCLUDE.findall(text):
            if target not in headers:
                problems.append(f"{path}: includes {target}, which is not in {src}")
                continue
            includes += 1
            target_layer = target.split("/")[0]
            if layer not in LAYERS or target_layer not in LAYERS:
                problems.append(f"{path}: folder {layer} or {target_layer} has no layer")
            elif LAYERS.index(target_layer) > LAYERS.index(layer):
                problems.append(f"{path}: includes {target}, from a higher layer")
            target_unit = unit_of(target, headers)
            if target_unit != unit:
                units[unit].add(target_unit)
            if target_layer != layer:
                folders.setdefault(layer, set()).add(target_layer)
    for component in circles(units):
        problems.append("units include each other in a circle: " + ", ".join(component))
    for component in circles(folders):
        problems.append("folders include each other in a circle: " + ", ".join(component))
    for problem in problems:
        print(problem)
    if problems:
        return 1
    print(f"{len(files)} files, {len(units)} units, {includes} includes: "
          "no include against the layers, no circle")
    return 0


if __name__ == "__main__":
    sys.exit(main())
