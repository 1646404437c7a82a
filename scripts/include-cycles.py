#!/usr/bin/env python3
"""Fails when the project's own files include each other in a cycle.

Reads the #include "..." lines of every C++ file below the given folders
(default: the whole tree but build/). A header and its source file (X.h
and X.cpp) are one unit "X": X.cpp including Y.h and Y.cpp including X.h
is a cycle, even though no header includes itself. Prints every cycle and
exits 1 when there is one, else exits 0.
"""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)
SOURCES = (".h", ".hpp", ".cpp", ".cc")


def units(root):
    """Maps each unit (path without its ending) to the units it includes."""
    graph = {}
    for folder, dirs, files in os.walk(root):
        dirs[:] = sorted(d for d in dirs if d not in ("build", ".git"))
        for name in sorted(files):
            if not name.endswith(SOURCES):
                continue
            path = os.path.join(folder, name)
            unit = os.path.splitext(os.path.relpath(path, root))[0]
            targets = graph.setdefault(unit, set())
            with open(path, encoding="utf-8", errors="replace") as f:
                for included in INCLUDE.findall(f.read()):
                    if os.path.exists(os.path.join(root, included)):
                        target = os.path.splitext(included)[0]
                        if target != unit:
                            targets.add(target)
    return graph


def cycles(graph):
    """The strongly connected components of more than one unit (Tarjan)."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []

    def visit(v):
        index[v] = low[v] = len(index)
        stack.append(v)
        on_stack.add(v)
        for w in sorted(graph.get(v, ())):
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on_stack:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            component = []
            while True:
                w = stack.pop()
                on_stack.discard(w)
                component.append(w)
                if w == v:
                    break
            if len(component) > 1:
                found.append(sorted(component))

    sys.setrecursionlimit(10000)
    for v in sorted(graph):
        if v not in index:
            visit(v)
    return found


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    graph = units(os.path.abspath(root))
    found = cycles(graph)
    for component in found:
        members = set(component)
        edges = [f"{a} -> {b}" for a in component for b in sorted(graph[a]) if b in members]
        print("include cycle among " + ", ".join(component) + ":\n  " + "\n  ".join(edges))
    if found:
        return 1
    print(f"no include cycle among {len(graph)} units")
    return 0


if __name__ == "__main__":
    sys.exit(main())
