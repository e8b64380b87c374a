#!/usr/bin/python3
"""Compares xlsdump's first sheet with the values xlrd read (xlrd-expected.py).

    compare-xlrd.py XLSDUMP TESTDATA_DIR EXPECTED.gz [-v]

Prints the files read by both, the cells compared and the differing cells.
"""
import gzip
import json
import subprocess
import sys
from collections import Counter


def unescape(s):
    out, i = [], 0
    while i < len(s):
        if s[i] == "\\" and i + 1 < len(s):
            out.append({"t": "\t", "n": "\n", "r": "\r", "\\": "\\"}[s[i + 1]])
            i += 2
        else:
            out.append(s[i])
            i += 1
    return "".join(out)


def load_expected(path):
    files, cur = {}, None
    with gzip.open(path, "rt", encoding="utf-8") as src:
        for line in src:
            parts = line.rstrip("\n").split("\t")
            if parts[0] == "F":
                cur = {"status": parts[2], "cells": {}}
                files[parts[1]] = cur
            else:
                r, c, t, v = int(parts[1]), int(parts[2]), parts[3], unescape(parts[4])
                cur["cells"][(r, c)] = (t, v)
    return files


def ours(xlsdump, path):
    p = subprocess.run([xlsdump, path], capture_output=True)
    lines = p.stdout.decode("utf-8").splitlines()
    head = json.loads(lines[0]) if lines else {"error": "no output"}
    if "error" in head:
        return head["error"], {}
    cells = {}
    for line in lines[1:]:
        d = json.loads(line)
        t, v = d["t"], d["v"]
        if t == "text":
            if v.startswith("#") and v in ("#NULL!", "#DIV/0!", "#VALUE!", "#REF!", "#NAME?", "#NUM!", "#N/A", "#???"):
                cells[(d["r"], d["c"])] = ("error?", v)
            else:
                cells[(d["r"], d["c"])] = ("text", v)
        elif t in ("number", "date", "integer"):
            cells[(d["r"], d["c"])] = ("number", float(v) if v is not None else float("nan"))
        elif t == "bool":
            cells[(d["r"], d["c"])] = ("bool", "1" if v else "0")
    return None, cells


def same(mine, theirs):
    tt, tv = theirs
    mt, mv = mine
    if tt in ("number", "date"):
        return mt == "number" and float(tv) == mv
    if tt == "error":
        return mt == "error?" and mv == tv
    if tt == "text":
        return mt in ("text", "error?") and mv == tv
    return mt == tt and mv == tv


def main():
    xlsdump, root, expected = sys.argv[1:4]
    verbose = "-v" in sys.argv
    files = load_expected(expected)
    both = compared = 0
    diffs = Counter()
    failed = []
    for rel, exp in sorted(files.items()):
        if exp["status"] != "ok":
            continue
        err, mine = ours(xlsdump, root + "/" + rel)
        if err:
            failed.append((rel, err))
            continue
        both += 1
        keys = set(exp["cells"]) | set(mine)
        for k in sorted(keys):
            compared += 1
            t, m = exp["cells"].get(k), mine.get(k)
            if t is None or m is None or not same(m, t):
                diffs[rel] += 1
                if verbose and diffs[rel] <= 5:
                    print("DIFF", rel, k, "ours", repr(m)[:120], "xlrd", repr(t)[:120])
    print("files read by xlrd:", sum(1 for f in files.values() if f["status"] == "ok"))
    print("read by both:", both, "cells compared:", compared, "differing:", sum(diffs.values()))
    for rel, n in diffs.most_common():
        print("  %6d  %s" % (n, rel))
    for rel, err in failed:
        print("  we fail:", rel, err)


if __name__ == "__main__":
    main()
