#!/usr/bin/env python3
"""A library rewritten with its pages in another order maps the same memory
and still works when loaded; what is not a library to rewrite is refused."""

import os
import random
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../scripts"))
import elf_layout  # noqa: E402

PAGE = elf_layout.PAGE


def memory(data):
    """The bytes each loaded address holds, as the loader maps the file, and
    how each is mapped; but the ELF header, which the rewrite changes."""
    ehdr = elf_layout.EHDR.unpack_from(data)
    loads = [h for i in range(ehdr[10])
             if (h := elf_layout.PHDR.unpack_from(data, ehdr[5] + i * elf_layout.PHDR.size))[0] == elf_layout.PT_LOAD]
    image = bytearray(max(h[3] + h[6] for h in loads))
    mapped = bytearray(len(image))
    for _, flags, offset, vaddr, _, filesz, memsz, _ in loads:
        image[vaddr:vaddr + memsz] = data[offset:offset + filesz].ljust(memsz, b"\0")
        mapped[vaddr:vaddr + memsz] = bytes([flags + 1]) * memsz
    return bytes(image[elf_layout.EHDR.size:]), bytes(mapped)


def library(name):
    found = subprocess.run(["gcc", f"-print-file-name={name}"], capture_output=True, text=True).stdout.strip()
    return os.path.realpath(found) if os.path.isabs(found) else None


def main():
    failures = []
    path = library("libz.so.1")
    if not path or not os.path.exists(path):
        print("SKIP: no libz.so.1 to rewrite")
        return 77
    data = open(path, "rb").read()
    pages = list(range(len(data) // PAGE))
    shuffled = pages[:]
    random.Random(7).shuffle(shuffled)
    cases = [
        ("no group", []),
        ("every other page first, then the last ones", [pages[::2], pages[-3:]]),
        ("pages in a random order, one a group", [[p] for p in shuffled]),
    ]
    with tempfile.TemporaryDirectory() as work:
        for what, groups in cases:
            laid = elf_layout.relayout(data, groups)
            if laid is None:
                failures.append(f"{what}: refused")
                continue
            out, page_map = laid
            if memory(out) != memory(data):
                failures.append(f"{what}: the mapped memory differs")
            first = [page_map[p] for p in (groups[0] if groups else []) if p in page_map and p != 0]
            if first and sorted(first) != list(range(min(first), min(first) + len(first))):
                failures.append(f"{what}: the first group's pages are not together")
            copy = os.path.join(work, "libz.so.1")
            with open(copy, "wb") as f:
                f.write(out)
            # Loaded by the loader and used: a round trip through deflate.
            probe = ("import ctypes,zlib,sys;z=ctypes.CDLL(sys.argv[1]);"
                     "z.zlibVersion.restype=ctypes.c_char_p;"
                     "b=b'zolt '*999;n=ctypes.c_ulong(len(b)*2);o=ctypes.create_string_buffer(n.value);"
                     "assert z.compress(o,ctypes.byref(n),b,len(b))==0;"
                     "assert zlib.decompress(o.raw[:n.value])==b;print(z.zlibVersion().decode())")
            result = subprocess.run([sys.executable, "-c", probe, copy], capture_output=True, text=True)
            if result.returncode != 0:
                failures.append(f"{what}: the rewritten library does not work: {result.stderr.strip()[-300:]}")
    program = open(sys.executable, "rb").read()
    for what, blob in [("a program (it has an interpreter)", program), ("not ELF", b"MZ" + bytes(5000)),
                       ("a truncated library", data[:100])]:
        if elf_layout.relayout(blob, []) is not None:
            failures.append(f"{what}: rewritten")
    for failure in failures:
        print("FAIL:", failure)
    print("PASS" if not failures else f"{len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
