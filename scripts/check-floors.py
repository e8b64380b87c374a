#!/usr/bin/env python3
"""Checks that no source file includes a header of a floor above its own.

The floors, from the ground up, are listed in ARCHITECTURE.md; a file's floor
is that of the longest prefix of its path in FLOORS. Files outside every
floor (tests/, bench/, examples/) may include anything. Prints each include
that points up and exits 1 when there is any.
"""
import os
import re
import sys

# Path prefix -> floor, lowest first. A file takes the longest prefix it has.
FLOORS = [
    ("disc/", 0),
    ("spreadsheet/", 1),
    ("platform/", 2),
    ("look/", 3),
    ("search/", 4),
    ("actions/", 5),
    ("app/", 6),              # the main window
    ("searchwindow/", 7),     # the search window, above the main window
    ("app/startup.", 8),
    ("app/main.cpp", 8),
    ("tools/common/", 1),     # the tools' command line: plain C++
    ("tools/", 9),
]

# Beside the floors: the author's check stands on the disc rules, the reader,
# the platform and the look, never on the windows or the actions.
FORBIDDEN = [
    ("tools/zolt-check/", ("app/", "searchwindow/", "actions/")),
]

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def floor_of(path):
    best = None
    for prefix, floor in FLOORS:
        if path.startswith(prefix) and (best is None or len(prefix) > len(best[0])):
            best = (prefix, floor)
    return best


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    root = os.path.abspath(root)
    wrong = []
    for prefix in sorted({p.split("/")[0] for p, _ in FLOORS}):
        for folder, _, files in os.walk(os.path.join(root, prefix)):
            for name in files:
                if not name.endswith((".h", ".cpp")):
                    continue
                path = os.path.relpath(os.path.join(folder, name), root)
                own = floor_of(path)
                with open(os.path.join(root, path), encoding="utf-8", errors="replace") as source:
                    for number, line in enumerate(source, 1):
                        match = INCLUDE.match(line)
                        if not match:
                            continue
                        header = match.group(1)
                        target = floor_of(header)
                        if own and target and target[1] > own[1]:
                            wrong.append(f"{path}:{number}: includes {header}, a floor above")
                        for prefix, banned in FORBIDDEN:
                            if path.startswith(prefix) and header.startswith(banned):
                                wrong.append(f"{path}:{number}: includes {header}, which {prefix} may not")
    for line in wrong:
        print(line)
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main())
