#!/usr/bin/env python3
"""Prints the share of the tests in the C++ of the tree: lines of the
tracked .cpp and .h files that are neither blank nor comments (// lines and
/* */ blocks), in tests/ against all. Exits 1 above a third (--limit
PERCENT sets another). Run from anywhere."""
import argparse, os, subprocess, sys


def code_lines(path):
    count, in_block = 0, False
    with open(path, encoding='utf-8', errors='replace') as f:
        for line in f:
            text = line.strip()
            if in_block:
                if '*/' in text:
                    in_block = False
                    text = text.split('*/', 1)[1].strip()
                else:
                    continue
            if text.startswith('/*'):
                if '*/' not in text:
                    in_block = True
                continue
            if text and not text.startswith('//'):
                count += 1
    return count


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--limit', type=float, default=100 / 3)
    limit = parser.parse_args().limit
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    files = subprocess.check_output(['git', '-C', root, 'ls-files', '*.cpp', '*.h']).decode().split()
    total = tests = 0
    for path in files:
        full = os.path.join(root, path)
        if not os.path.exists(full):
            continue
        lines = code_lines(full)
        total += lines
        if path.startswith('tests/'):
            tests += lines
    share = 100 * tests / total if total else 0
    print(f'tests: {tests} of {total} lines of C++ ({share:.1f}%, at most {limit:.1f}%)')
    if share > limit:
        sys.exit(1)


main()
