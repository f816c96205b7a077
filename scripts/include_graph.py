#!/usr/bin/env python3
"""Prints the folders' include graph (which folder includes which) and
fails when it has a cycle. Run from anywhere; reads the tracked sources."""
import os, re, subprocess, sys
root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
files = subprocess.check_output(['git', '-C', root, 'ls-files', '*.h', '*.cpp']).decode().split()
pattern = re.compile(r'^#include "([a-z_]+)/', re.M)
edges = {}
for path in files:
    folder = path.split('/')[0]
    with open(os.path.join(root, path), encoding='utf-8') as f:
        for target in pattern.findall(f.read()):
            if target != folder:
                edges.setdefault(folder, set()).add(target)
for folder in sorted(edges):
    print(f"{folder} -> {', '.join(sorted(edges[folder]))}")
# A depth-first search for a cycle.
state = {}
def visit(node, trail):
    state[node] = 'open'
    for nxt in sorted(edges.get(node, ())):
        if state.get(nxt) == 'open':
            cycle = trail[trail.index(nxt):] + [nxt] if nxt in trail else [node, nxt]
            print('cycle: ' + ' -> '.join(cycle))
            sys.exit(1)
        if nxt not in state:
            visit(nxt, trail + [nxt])
    state[node] = 'done'
for node in sorted(edges):
    if node not in state:
        visit(node, [node])
print('no cycle')
