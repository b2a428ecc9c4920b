#!/usr/bin/env python3
"""Checks that every library links only libraries of lower layers.

The layers are the README's table under "Folders and libraries": its first column is the layer
(1 = top), its second the library. The links are CMake's own, from `cmake --graphviz` of the build
tree. A link to a library of the same or a higher layer fails, naming the edge; so does a library
that the table does not place, and a row whose folder (third column) is not there. Executables (programs, peers, tests), the stand-in DLLs and targets
from outside the project (googletest) are exempt.

usage: check_layers.py <README.md> <graphviz .dot file>
"""
import os
import re
import sys

# The tests' own libraries and googletest may link anything.
EXEMPT = re.compile(r"^(test_|gtest|gmock)")


def read_layers(readme_path):
    """Gives library -> layer, and library -> folder where the row names one."""
    layers, folders = {}, {}
    in_section = False
    with open(readme_path, encoding="utf-8") as readme:
        for line in readme:
            if line.startswith("## "):
                in_section = line.strip() == "## Folders and libraries"
                continue
            if not in_section or not line.startswith("|"):
                continue
            cells = [c.strip() for c in line.strip().strip("|").split("|")]
            if len(cells) < 2 or not cells[0].isdigit():
                continue
            folder = re.findall(r"`([^`]+)`", cells[2]) if len(cells) > 2 else []
            for name in re.findall(r"`([^`]+)`", cells[1]):
                layers[name] = int(cells[0])
                if folder:
                    folders[name] = folder[0]
    return layers, folders


def read_graph(dot_path):
    """Gives the project's targets (name -> is an executable or module) and the edges between them."""
    nodes, kinds, edges = {}, {}, []
    node_re = re.compile(r'^\s*"(node\d+)"\s*\[\s*label\s*=\s*"([^"]+)"\s*,\s*shape\s*=\s*(\w+)')
    edge_re = re.compile(r'^\s*"(node\d+)"\s*->\s*"(node\d+)"')
    with open(dot_path, encoding="utf-8") as dot:
        for line in dot:
            match = node_re.match(line)
            if match:
                nodes[match.group(1)] = match.group(2)
                kinds[match.group(2)] = match.group(3)
                continue
            match = edge_re.match(line)
            if match:
                edges.append((match.group(1), match.group(2)))
    named = [(nodes[a], nodes[b]) for a, b in edges if a in nodes and b in nodes]
    return kinds, named


def main():
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    layers, folders = read_layers(sys.argv[1])
    if not layers:
        print(f"layer check: no table of layers found in {sys.argv[1]}", file=sys.stderr)
        return 2
    kinds, edges = read_graph(sys.argv[2])
    # CMake's shapes: octagon static, pentagon interface, hexagon object, septagon unknown library;
    # executables (egg) and shared libraries (the stand-in DLLs, doubleoctagon) are not layered.
    libraries = {name for name, shape in kinds.items()
                 if shape in ("octagon", "pentagon", "hexagon", "septagon") and not EXEMPT.match(name)}
    faults = []
    top = os.path.dirname(os.path.abspath(sys.argv[1]))
    for name, folder in sorted(folders.items()):
        if not os.path.isdir(os.path.join(top, folder)):
            faults.append(f"{name}: its folder {folder} is not there")
    for name in sorted(libraries - layers.keys()):
        faults.append(f"{name}: not placed in the README's table of layers")
    for source, target in edges:
        if source not in libraries or target not in libraries:
            continue
        if source not in layers or target not in layers:
            continue
        if layers[target] <= layers[source]:
            where = "the same layer" if layers[target] == layers[source] else "a higher layer"
            faults.append(f"{source} (layer {layers[source]}) links {target} (layer {layers[target]}), "
                          f"{where}")
    for fault in faults:
        print(f"layer check: {fault}", file=sys.stderr)
    if faults:
        return 1
    print(f"layer check: {len(libraries)} libraries, every link downward")
    return 0


if __name__ == "__main__":
    sys.exit(main())
