#!/usr/bin/env python3
"""Include graph of the engine sources.

Prints which folders include which, then the include circles between files.
A header leads on to the .cpp files that implement it: the one of the same
name, else those of its folder that include it (also through other headers
of the folder). A circle is a set
of files that all reach each other this way. Run from anywhere; no arguments.
"""
import os
import re
import sys

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
DIRS = ["board", "movegen", "eval", "search", "frontend", "book", "diagnostics"]
INCLUDE = re.compile(r'^#include "([^"]+)"', re.M)

includes = {}
for d in DIRS:
    for name in sorted(os.listdir(os.path.join(ROOT, d))):
        if name.endswith((".cpp", ".h")):
            path = d + "/" + name
            with open(os.path.join(ROOT, path)) as f:
                includes[path] = [h for h in INCLUDE.findall(f.read()) if h.split("/")[0] in DIRS]


def implementers(h):
    """The .cpp files that define what header h declares: the one of the same
    name, else every .cpp of its folder that includes it (also through other
    headers of the folder)."""
    base = h[: -len(".h")]
    if base + ".cpp" in includes:
        return [base + ".cpp"]
    folder = h.split("/")[0] + "/"

    def reaches(f, seen):
        for g in includes[f]:
            if g == h or (g.startswith(folder) and g not in seen and reaches(g, seen | {g})):
                return True
        return False

    return [c for c in includes if c.startswith(folder) and c.endswith(".cpp") and reaches(c, set())]


# A file leads to the headers it includes, a header to its implementers; a
# .cpp including the header it implements is no circle.
edges = {f: set(hs) for f, hs in includes.items()}
for h in includes:
    if h.endswith(".h"):
        for c in implementers(h):
            edges[h].add(c)
            edges[c].discard(h)

print("Folder graph (folder: folders it includes, with the number of include lines):")
for d in DIRS:
    counts = {}
    for f, hs in includes.items():
        if f.startswith(d + "/"):
            for h in hs:
                if not h.startswith(d + "/"):
                    counts[h.split("/")[0]] = counts.get(h.split("/")[0], 0) + 1
    print("  %-12s %s" % (d + ":", " ".join("%s(%d)" % (k, counts[k]) for k in DIRS if k in counts)))

# Tarjan's strongly connected components.
sys.setrecursionlimit(10000)
index, low, stack, onstack, circles = {}, {}, [], set(), []


def visit(v):
    index[v] = low[v] = len(index)
    stack.append(v)
    onstack.add(v)
    for w in sorted(edges.get(v, ())):
        if w not in index:
            visit(w)
            low[v] = min(low[v], low[w])
        elif w in onstack:
            low[v] = min(low[v], index[w])
    if low[v] == index[v]:
        component = []
        while True:
            w = stack.pop()
            onstack.discard(w)
            component.append(w)
            if w == v:
                break
        if len(component) > 1:
            circles.append(sorted(component))


for v in sorted(edges):
    if v not in index:
        visit(v)
print("Include circles: %d" % len(circles))
for c in circles:
    print("  %d files: %s" % (len(c), " ".join(c)))
sys.exit(1 if circles else 0)
