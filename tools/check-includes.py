#!/usr/bin/env python3
"""Checks that includes under src/ run one way: entry -> scenes -> objects3d -> effects -> util
-> system.

Every quoted #include of a source file is an edge from the file's module (its path without the
extension, so a .h/.cpp pair is one module) to the included header's module. The check fails
on an edge that points to a higher layer, and on a cycle of modules that spans folders (a knot
between subsystems). Files of one folder that include each other are one subsystem's business
and only noted. Prints each offending edge or cycle; exit code 1 when there is one.
"""

import re
import sys
from pathlib import Path

# The settings record and the production table are read by every layer: they sit at the bottom
# with the platform layer. The entry's own program-wide values sit with the entry.
LAYERS = [
    ("entry", ("main", "program")),
    ("scenes", ("scenes/",)),
    ("objects3d", ("objects3d/",)),
    ("effects", ("effects/",)),
    ("util", ("util/",)),
    ("system", ("system/", "tolmesystem")),
]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def layer_of(module):
    for rank, (_, prefixes) in enumerate(LAYERS):
        if any(module == p or (p.endswith("/") and module.startswith(p)) for p in prefixes):
            return rank
    raise SystemExit(f"check-includes: {module} belongs to no layer; add it to LAYERS")


def module_graph(src):
    graph = {}
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".h", ".cpp"):
            continue
        module = str(path.relative_to(src).with_suffix(""))
        edges = graph.setdefault(module, set())
        for included in INCLUDE.findall(path.read_text(errors="replace")):
            target = src / included
            if target.exists() and target.suffix == ".h":
                other = str(Path(included).with_suffix(""))
                if other != module:
                    edges.add(other)
    return graph


def cycles(graph):
    """Strongly connected components of more than one module (Tarjan)."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []
    counter = [0]

    def visit(node):
        index[node] = low[node] = counter[0]
        counter[0] += 1
        stack.append(node)
        on_stack.add(node)
        for other in sorted(graph.get(node, ())):
            if other not in index:
                visit(other)
                low[node] = min(low[node], low[other])
            elif other in on_stack:
                low[node] = min(low[node], index[other])
        if low[node] == index[node]:
            component = []
            while True:
                member = stack.pop()
                on_stack.discard(member)
                component.append(member)
                if member == node:
                    break
            if len(component) > 1:
                found.append(sorted(component))

    sys.setrecursionlimit(10000)
    for node in sorted(graph):
        if node not in index:
            visit(node)
    return found


def main():
    src = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "src")
    graph = module_graph(src)
    problems = 0
    for module, edges in sorted(graph.items()):
        for other in sorted(edges):
            if layer_of(other) < layer_of(module):
                print(f"back edge: {module} ({LAYERS[layer_of(module)][0]}) includes "
                      f"{other} ({LAYERS[layer_of(other)][0]})")
                problems += 1
    for component in cycles(graph):
        folders = {str(Path(module).parent) for module in component}
        if len(folders) == 1:
            print(f"note: modules of one folder include each other: {' '.join(component)}")
            continue
        print(f"include cycle of {len(component)} modules: {' '.join(component)}")
        problems += 1
    if problems:
        return 1
    print(f"includes run one way: {len(graph)} modules, no back edge, no cycle across folders")
    return 0


if __name__ == "__main__":
    sys.exit(main())
