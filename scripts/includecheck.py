#!/usr/bin/env python3
"""Checks the include layering: no cycle between source units, nothing from
engine/core into the layers above it, nothing from cli/ into app/. A .cpp
belongs to the unit of the header it includes first (its own header). Prints
what is wrong; exit status 1 when any."""
import os
import re
import sys

root = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
dirs = ["engine", "cli", "app"]
inc = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def unit(path):
    return os.path.splitext(path)[0]


files = []
for d in dirs:
    for base, _, names in os.walk(os.path.join(root, d)):
        files += [os.path.join(base, n) for n in names if n.endswith((".h", ".cpp"))]

edges = {}
bad = []
def resolve(f, name):
    cands = [os.path.join(os.path.dirname(f), name), os.path.join(root, "engine", name), os.path.join(root, name)]
    return next((os.path.relpath(os.path.normpath(c), root) for c in cands if os.path.exists(c)), None)


for f in files:
    rel = os.path.relpath(f, root)
    names = inc.findall(open(f, encoding="utf-8", errors="replace").read())
    own = unit(rel)
    if rel.endswith(".cpp") and names and resolve(f, names[0]):
        own = unit(resolve(f, names[0]))
    for name in names:
        target = resolve(f, name)
        if not target:
            continue
        if rel.startswith("engine/core/") and not target.startswith("engine/core/"):
            bad.append(f"{rel} includes {target}: core is below every other layer")
        if rel.startswith("cli/") and target.startswith("app/"):
            bad.append(f"{rel} includes {target}: cli/ uses nothing of app/")
        if unit(target) != own:
            edges.setdefault(own, set()).add(unit(target))

# Cycles: depth-first search over units.
state, stack = {}, []


def visit(u):
    state[u] = 1
    stack.append(u)
    for v in sorted(edges.get(u, ())):
        if state.get(v) == 1:
            bad.append("cycle: " + " -> ".join(stack[stack.index(v):] + [v]))
        elif not state.get(v):
            visit(v)
    stack.pop()
    state[u] = 2


for u in sorted(edges):
    if not state.get(u):
        visit(u)
for b in bad:
    print(b)
sys.exit(1 if bad else 0)
