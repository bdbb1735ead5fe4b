#!/usr/bin/env python3
"""Checks that every include under src/ runs down the layers, never up.

The layers, top to bottom: module, then search and auxiliary (side by side,
neither includes the other), pool, handler, engine, json, common. Inside a
layer, its sub-folders (wings) may include each other only one way: the
graph of their includes has no cycle. A layer's own top folder, which holds
its entry points and the small pieces every wing shares, is left out of it. Prints each include that breaks a rule and exits 1.

    python tools/check_layers.py [SRC_DIR]
"""

import pathlib
import re
import sys

RANKS = {
    "module": 0,
    "search": 1,
    "auxiliary": 1,
    "pool": 2,
    "handler": 3,
    "engine": 4,
    "json": 5,
    "common": 6,
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def folder_of(path):
    """The folder a file or include path lives in, without the file name."""
    return tuple(pathlib.PurePosixPath(path).parts[:-1])


def wing_cycle(edges):
    """One cycle of the sub-folder graph as a list of folders, or None."""
    state = {}

    def visit(node, trail):
        state[node] = "open"
        for nxt in sorted(edges.get(node, ())):
            if state.get(nxt) == "open":
                return trail[trail.index(nxt) :] + [nxt]
            if nxt not in state:
                found = visit(nxt, trail + [nxt])
                if found:
                    return found
        state[node] = "done"
        return None

    for node in sorted(edges):
        if node not in state:
            found = visit(node, [node])
            if found:
                return found
    return None


def main(argv):
    src = pathlib.Path(argv[1] if len(argv) > 1 else pathlib.Path(__file__).parent.parent / "src")
    faults = []
    wing_edges = {}
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".h", ".cpp"):
            continue
        rel = path.relative_to(src).as_posix()
        layer = rel.split("/")[0]
        if layer not in RANKS:
            faults.append(f"{rel}: folder {layer!r} is in no layer")
            continue
        for included in INCLUDE.findall(path.read_text(encoding="utf-8")):
            target = included.split("/")[0]
            if target not in RANKS:
                continue  # a file beside it or outside src/
            if target == layer:
                here, there = folder_of(rel), folder_of(included)
                if here != there and len(here) > 1 and len(there) > 1:
                    wing_edges.setdefault("/".join(here), set()).add("/".join(there))
            elif RANKS[target] <= RANKS[layer]:
                faults.append(f'{rel}: includes "{included}", which is not below {layer}')
    cycle = wing_cycle(wing_edges)
    if cycle:
        faults.append("sub-folders include each other: " + " -> ".join(cycle))
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
