#!/usr/bin/env python3
"""Prints the folders' include graph (which folder includes which) and
fails when an include goes against the layers: each folder may include its
own headers and those of the layers below it, in this order from the
bottom: files, format, texts, settings, port, link, backup, pages, then the
two front ends gui and cli, neither of which includes the other. The
simulated handset (sim) uses files and format, and port's header-only
termios speed table; tests and bench may use anything. Run from anywhere; reads the tracked sources."""
import os, re, subprocess, sys

LAYERS = ['files', 'format', 'texts', 'settings', 'port', 'link', 'backup', 'pages', ('gui', 'cli')]
# Headers or folders (ending in /) a folder beside the layers may include.
BESIDE = {'sim': {'files/', 'format/', 'port/termios_speed.h'}}
ANYTHING = {'tests', 'bench'}


def rank_of(folder):
    for rank, layer in enumerate(LAYERS):
        if folder == layer or (isinstance(layer, tuple) and folder in layer):
            return rank
    return None


def allowed(source, header):
    target = header.split('/')[0]
    if source == target or source in ANYTHING:
        return True
    if source in BESIDE:
        return header in BESIDE[source] or target + '/' in BESIDE[source]
    source_rank, target_rank = rank_of(source), rank_of(target)
    return source_rank is not None and target_rank is not None and target_rank < source_rank


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    files = subprocess.check_output(['git', '-C', root, 'ls-files', '*.h', '*.cpp']).decode().split()
    pattern = re.compile(r'^#include "([a-z_]+/[^"]+)"', re.M)
    edges, wrong = {}, []
    for path in files:
        folder = path.split('/')[0]
        with open(os.path.join(root, path), encoding='utf-8') as f:
            for header in pattern.findall(f.read()):
                target = header.split('/')[0]
                if target == folder:
                    continue
                edges.setdefault(folder, set()).add(target)
                if not allowed(folder, header):
                    wrong.append(f'{path} includes {header}')
    for folder in sorted(edges):
        print(f"{folder} -> {', '.join(sorted(edges[folder]))}")
    for line in wrong:
        print('against the layers: ' + line)
    if wrong:
        sys.exit(1)
    print('every include goes to the same or a lower layer')


main()
