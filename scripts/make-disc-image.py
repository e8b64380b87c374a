#!/usr/bin/env python3
"""Writes an assembled disc root to an ISO 9660 image for a CD.

Rock Ridge keeps the exact names and the execute bits a Linux reader needs;
Joliet gives a Windows reader the catalogue's names (the launcher, autorun.sh,
the volume's description and the runtime folder are hidden from it: nothing
there is for Windows). The catalogue stays plain, as a Windows reader reads it.

Laid out for a drive: with --order (the start-up's recorded order of first
opens, scripts/record-start-order.py), the files the start-up reads lie one
after the other in that order at the start of the image, the rest after them;
the order file ships in the runtime folder, where the program finds what to
read ahead once its window is painted. The runtime's libraries the start-up
reads in pieces are rewritten on the image (scripts/elf_layout.py, the
assembled disc stays as it is) so that the pages it touches before the paint
come first in the file, then those it touches after, and the shipped order
file gives their pieces in the new pages: the launcher and the program read
each such library's start in one piece instead of pages all over it.

zisofs, per file of the runtime folder and the launcher: a drive reads a
compressed file in whole compressed blocks (32 KiB of content each), which
halves the bytes of a file read whole or in long pieces, as the kernel's
128 KiB readahead reads the libraries it maps. A file the start-up reads in
pieces (the order file's) is compressed only where the compressed blocks
its pieces fall in take fewer bytes than the pieces. Blocks of 32 KiB rather
than 128 KiB: the pages the start-up touches before its window is painted
are spread over nearly every 128 KiB of the toolkit's libraries, and the
smaller blocks take a fifth fewer bytes for them (measured with the drive
model: 12.8 MB instead of 15.1 MB before the paint, the window 0.5 s sooner
on a CD), for an image of 124 MB instead of 145 MB. It does not pay for a file
that barely compresses (the web engine's resource packs, compressed inside)
and is looked up at random in small pieces: each piece costs a whole
compressed block, more than its plain bytes. Measured with
bench/disc/startup_drive.py on a start-up from a CD drive: the libraries read
at 0.64 of their plain bytes in the same reads, the main resource pack at 1.7
times. So a file is compressed only where zisofs saves at least a quarter of
its sectors (estimated here from a sample of its blocks); the Linux kernel
reads compressed files transparently.

Exit status: 0 the image is written, 1 the disc or its catalogue is refused,
2 the tools are missing or failed.
"""

import argparse
import math
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

import elf_layout

CD_BYTES = 737_280_000  # 80 minutes: 360,000 sectors of 2,048 bytes
JOLIET_NAME_UNITS = 64  # UTF-16 code units a Joliet name may have
SECTOR = 2048
ZISOFS_BLOCK = 32 << 10
ZISOFS_LARGE_BLOCK = 128 << 10
ZISOFS_LARGE_FILE = 16 << 20  # from here on, the larger blocks
ZISOFS_MAGIC = bytes.fromhex("37e45396c9dbd607")
ZISOFS_KEEPS = 0.75     # compressed only where at most this share of the sectors remains
SAMPLE_BLOCKS = 24      # blocks compressed to estimate a file's share
ORDER_NAME = "start-order.txt"
PAGE = 4096             # the order file's unit for pieces
JOIN_PAGES = 16         # pieces of a file not rewritten closer than this are read as one


def fail(status, *lines):
    for line in lines:
        print(f"disc-image: {line}", file=sys.stderr)
    sys.exit(status)


def utf16_units(name):
    return len(name.encode("utf-16-le")) // 2


def joliet_problems(disc, hidden):
    """Names a Windows reader could not see as they are: too long for Joliet,
    or not UTF-8 (the image writes names as UTF-8)."""
    problems = []
    for folder, dirs, files in os.walk(os.fsencode(disc)):
        rel_folder = os.path.relpath(folder, os.fsencode(disc))
        if rel_folder == b".":
            dirs[:] = [d for d in dirs if os.fsdecode(d) not in hidden]
            files = [f for f in files if os.fsdecode(f) not in hidden]
        for raw in dirs + files:
            rel = os.path.normpath(os.path.join(rel_folder, raw)).decode("utf-8", "backslashreplace")
            try:
                name = raw.decode("utf-8")
            except UnicodeDecodeError:
                problems.append(f"{rel}: the name is not UTF-8; rename it")
                continue
            if utf16_units(name) > JOLIET_NAME_UNITS:
                problems.append(
                    f"{rel}: the name has {utf16_units(name)} characters, "
                    f"Joliet allows {JOLIET_NAME_UNITS}; shorten it")
    return problems


def zisofs_pays(path, pieces=None):
    """Whether zisofs keeps at most ZISOFS_KEEPS of the file's sectors,
    estimated from blocks spread over the file (xorriso compresses at level 6).
    For a file the start-up reads in pieces (offset, length), whether the
    compressed blocks those pieces fall in take fewer bytes than the pieces."""
    size = os.path.getsize(path)
    blocks = math.ceil(size / ZISOFS_BLOCK)
    if size <= SECTOR or blocks == 0:
        return False
    picked = sorted({i * blocks // SAMPLE_BLOCKS for i in range(SAMPLE_BLOCKS)}) if blocks > SAMPLE_BLOCKS \
        else range(blocks)
    plain = packed = 0
    with open(path, "rb") as data:
        for index in picked:
            data.seek(index * ZISOFS_BLOCK)
            block = data.read(ZISOFS_BLOCK)
            plain += len(block)
            packed += len(zlib.compress(block, 6))
    header = 16 + 4 * (blocks + 1)
    compressed = header + size * packed / plain
    if math.ceil(compressed / SECTOR) > ZISOFS_KEEPS * math.ceil(size / SECTOR):
        return False
    if not pieces:
        return True
    touched = {b for offset, length in pieces
               for b in range(offset // ZISOFS_BLOCK, (min(offset + length, size) - 1) // ZISOFS_BLOCK + 1)}
    return len(touched) * ZISOFS_BLOCK * packed / plain < sum(length for _, length in pieces)


def replace_staged(path, chunks):
    """Writes a staged file anew with these bytes, its mode kept; the old one
    is a link to the assembled disc's file, which stays as it is."""
    mode = os.stat(path).st_mode & 0o7777
    os.unlink(path)
    with open(path, "wb") as out:
        out.writelines(chunks)
    os.chmod(path, mode)


def zisofs_in_place(path, block):
    """Replaces a file by its zisofs form (version 1: header, block pointers,
    a zlib stream per block), as the kernel reads it."""
    with open(path, "rb") as source:
        data = source.read()
    shift = block.bit_length() - 1
    count = (len(data) + block - 1) // block
    pointers, chunks = [16 + 4 * (count + 1)], []
    for index in range(count):
        chunks.append(zlib.compress(data[index * block:(index + 1) * block], 9))
        pointers.append(pointers[-1] + len(chunks[-1]))
    replace_staged(path, [ZISOFS_MAGIC + struct.pack("<IBBxx", len(data), 4, shift),
                          struct.pack(f"<{count + 1}I", *pointers), *chunks])


def keep_folder_times(assembled, staged):
    """Gives the staged copy's folders the times of the assembled disc's:
    files written in them changed those, and fontconfig's cache of the
    shipped faces holds their folder's time."""
    for folder, _, _ in os.walk(staged):
        source = os.path.join(assembled, os.path.relpath(folder, staged))
        if os.path.isdir(source):
            info = os.stat(source)
            os.utime(folder, ns=(info.st_atime_ns, info.st_mtime_ns))


def compressed_files(disc, runtime_folder, pieces):
    """Image paths of the runtime folder's files and the launcher that zisofs
    pays for; `pieces`: by image path, the pieces the start-up reads of a file."""
    found = []
    runtime = os.path.join(disc, runtime_folder)
    candidates = [os.path.join(d, f) for d, _, files in os.walk(runtime) for f in files]
    candidates.append(os.path.join(disc, "zolt"))
    for path in sorted(candidates):
        image_path = "/" + os.path.relpath(path, disc)
        read = [piece for line in pieces.get(image_path, []) for piece in line]
        if os.path.isfile(path) and not os.path.islink(path) and zisofs_pays(path, read):
            found.append(image_path)
    return found


def line_pages(read):
    """The page numbers a line's "first+count" pieces cover; ValueError for a
    malformed one."""
    return {page for piece in read.split() for first, count in [map(int, piece.split("+"))]
            for page in range(first, first + count)}


def read_order(order, disc):
    """The image paths of the order file's files that are on the disc, in order,
    once each; and by image path, the pieces (offset, length) the start-up
    read of each, a list for each of the path's lines (before the paint,
    after it)."""
    paths, seen, pieces = [], set(), {}
    with open(order, encoding="utf-8", errors="surrogateescape") as lines:
        for line in lines:
            rel, _, read = line.rstrip("\r\n").partition("\t")
            if not rel or rel.startswith("#"):
                continue
            full = os.path.join(disc, rel)
            if ".." in rel.split("/") or not os.path.isfile(full) or os.path.islink(full):
                continue
            if rel not in seen:
                seen.add(rel)
                paths.append("/" + rel)
            try:
                pieces.setdefault("/" + rel, []).append(
                    [(int(first) * PAGE, int(count) * PAGE) for first, count in (piece.split("+") for piece in read.split())])
            except ValueError:
                pass  # the program passes such a line over; so does the choice of zisofs
    return paths, pieces


def relaid_libraries(disc, staging, runtime_folder, pieces):
    """Rewrites, in the staging copy of the disc, the runtime libraries the
    start-up read in pieces so that those pieces come first, in the order of
    the order file's lines (elf_layout); by image path, the map from old to
    new pages of each rewritten one."""
    maps = {}
    lib = f"/{runtime_folder}/lib/"
    for image_path, lines in sorted(pieces.items()):
        if not image_path.startswith(lib) or "/" in image_path[len(lib):] or not any(lines):
            continue
        with open(os.path.join(disc, image_path.lstrip("/")), "rb") as source:
            data = source.read()
        groups = [[page for offset, length in line for page in range(offset // PAGE, (offset + length) // PAGE)]
                  for line in lines]
        laid = elf_layout.relayout(data, groups)
        if laid is None:
            continue
        replace_staged(os.path.join(staging, image_path.lstrip("/")), [laid[0]])
        maps[image_path] = laid[1]
    return maps


def page_runs(pages, join=1):
    """Sorted page numbers as "first+count" pieces, those less than `join`
    pages apart joined."""
    runs = []
    for page in sorted(pages):
        if runs and page - (runs[-1][0] + runs[-1][1]) < join:
            runs[-1][1] = page - runs[-1][0] + 1
        else:
            runs.append([page, 1])
    return " ".join(f"{first}+{count}" for first, count in runs)


def translated_order(lines, maps):
    """The order file's text as it ships: the pieces of each rewritten library
    in its new pages, the first line of such a file with the pages of its
    program headers too, which the loader reads first; the pieces of any
    other file less than JOIN_PAGES apart joined (the drive reads on over
    such gaps anyway, and the launcher takes fewer, longer reads)."""
    out, first_seen = [], set()
    for line in lines:
        rel, tab, read = line.rstrip("\r\n").partition("\t")
        if not tab or rel.startswith("#"):
            out.append(line.rstrip("\r\n"))
            continue
        try:
            pages = line_pages(read)
        except ValueError:
            out.append(line.rstrip("\r\n"))
            continue
        page_map = maps.get("/" + rel)
        if page_map is None:
            out.append(f"{rel}\t{page_runs(pages, JOIN_PAGES)}" if pages else rel)
            continue
        pages = {page_map[page] for page in pages if page in page_map}
        if rel not in first_seen:
            first_seen.add(rel)
            pages |= set(range(elf_layout.header_pages_end(page_map)))
        out.append(f"{rel}\t{page_runs(pages)}" if pages else rel)
    return "\n".join(out) + "\n"


def run_check(check, disc):
    result = subprocess.run([check, disc], capture_output=True, text=True, errors="replace")
    report = (result.stdout + result.stderr).rstrip()
    if result.returncode != 0:
        what = "found errors" if result.returncode == 1 else "could not read the disc"
        fail(1, f"the disc author's check {what}; the image was not written. Its report:",
             *report.splitlines())
    if report:
        print(report)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--disc", required=True, help="the assembled disc root")
    parser.add_argument("--output", required=True, help="the image file to write")
    parser.add_argument("--volume", default="ZOLT_CD", help="the volume label")
    parser.add_argument("--runtime-folder", default=".zolt")
    parser.add_argument("--xorriso", default="xorriso")
    parser.add_argument("--check", help="the disc author's check, run first")
    parser.add_argument("--order", help="the start-up's order of first opens (scripts/record-start-order.py)")
    parser.add_argument("--limit", type=int, default=CD_BYTES, help="the largest image allowed, in bytes")
    args = parser.parse_args()

    disc = os.path.abspath(args.disc)
    if not os.path.isdir(disc):
        fail(1, f"{disc}: there is no disc root to write")
    xorriso = shutil.which(args.xorriso)
    if not xorriso:
        fail(2, "xorriso is not installed: run scripts/install-deps.sh (Debian package xorriso)")
    if args.check:
        run_check(args.check, disc)

    hidden = {args.runtime_folder, "zolt", "autorun.sh", ".xdg-volume-info"}
    problems = joliet_problems(disc, hidden)
    if problems:
        fail(1, "names a Windows reader of the disc would not see as they are; the image was not written:",
             *problems)

    out_dir = os.path.dirname(os.path.abspath(args.output))
    with tempfile.TemporaryDirectory(prefix=".zolt-cd-staging.", dir=out_dir) as staging:
        write_image(args, disc, out_dir, staging, hidden)


def staged_disc(disc, staging):
    """A copy of the disc root to change files in: links to its files where
    the file system allows, else copies."""
    root = os.path.join(staging, "disc")

    def link(source, target):
        try:
            os.link(source, target)
        except OSError:
            shutil.copy2(source, target)

    shutil.copytree(disc, root, symlinks=True, copy_function=link)
    return root


def write_image(args, disc, out_dir, staging, hidden):
    root_entries = set(os.listdir(disc))
    order = args.order
    pieces, ordered, staged = {}, [], False
    if order:
        if not os.path.isfile(order):
            fail(1, f"{order}: there is no order file")
        ordered, pieces = read_order(order, disc)
        if args.runtime_folder in root_entries:
            # The libraries with the pieces the start-up reads first, and the
            # order file that ships, in their new pages.
            assembled, disc, staged = disc, staged_disc(disc, staging), True
            maps = relaid_libraries(assembled, disc, args.runtime_folder, pieces)
            order = os.path.join(staging, ORDER_NAME)
            with open(args.order, encoding="utf-8", errors="surrogateescape") as source:
                text = translated_order(source, maps)
            with open(order, "w", encoding="utf-8", errors="surrogateescape") as out:
                out.write(text)
            _, pieces = read_order(order, disc)

    fd, partial = tempfile.mkstemp(prefix=".zolt-cd.", suffix=".iso", dir=out_dir)
    os.close(fd)
    os.unlink(partial)  # xorriso writes a new file
    hide = ["/" + name for name in sorted(hidden) if name in root_entries]
    command = [
        shutil.which(args.xorriso), "-report_about", "WARNING", "-abort_on", "FAILURE",
        "-charset", "UTF-8", "-local_charset", "UTF-8",
        "-outdev", "stdio:" + partial,
        "-volid", args.volume, "-joliet", "on", "-rockridge", "on",
        # Before the files come in: those already compressed are known by their header.
        "-zisofs", f"level=6:block_size={ZISOFS_BLOCK >> 10}k:by_magic=on",
        "-map", disc, "/",
        # As a published disc has them: owned by root, readable by all, writable by none.
        "-chown_r", "0", "/", "--", "-chgrp_r", "0", "/", "--",
        "-chmod_r", "a+r,a-w", "/", "--",
        "-find", "/", "-type", "d", "-exec", "chmod", "a+x", "--",
    ]
    if hide:
        command += ["-hide", "joliet", *hide, "--"]
    # Paths below are names, not patterns.
    command += ["-iso_rr_pattern", "off"]
    if order:
        # The higher the weight, the nearer the start of the image; files not
        # in the order keep weight 0 and follow. The order file itself comes
        # right after the first (the launcher, which reads it next).
        for rank, path in enumerate(ordered):
            command += ["-find", path, "-exec", "sort_weight", str(2 * (len(ordered) - rank)), "--"]
        if args.runtime_folder in root_entries:
            shipped = f"/{args.runtime_folder}/{ORDER_NAME}"
            command += ["-map", os.path.abspath(order), shipped,
                        "-find", shipped, "-exec", "sort_weight", str(2 * len(ordered) - 1), "--"]
    if args.runtime_folder in root_entries:
        packed = compressed_files(disc, args.runtime_folder, pieces)
        if staged:
            # Compressed here, each file with its own block size, and known
            # to xorriso by its header (xorriso takes one block size for all,
            # and no longer knows a file by its header once -set_filter ran).
            # A large file in blocks of 128 KiB: 4% fewer bytes, and a
            # quarter of the seeks back to its block table, which the kernel
            # reads a sector at a time (a sector's pointers cover 16 MiB of
            # 32 KiB blocks); its long pieces waste little in their last blocks.
            for path in packed:
                full = os.path.join(disc, path.lstrip("/"))
                zisofs_in_place(full, ZISOFS_LARGE_BLOCK if os.path.getsize(full) >= ZISOFS_LARGE_FILE
                                else ZISOFS_BLOCK)
            keep_folder_times(assembled, disc)
        elif packed:
            command += ["-set_filter", "--zisofs", *packed, "--"]
    command += ["-commit", "-end"]
    result = subprocess.run(command, capture_output=True, text=True, errors="replace")
    if result.returncode != 0 or not os.path.exists(partial):
        if os.path.exists(partial):
            os.unlink(partial)
        fail(2, "xorriso failed:", *result.stderr.strip().splitlines()[-20:])
    size = os.path.getsize(partial)
    if size > args.limit:
        os.unlink(partial)
        fail(1, f"the image would take {size:,} bytes; a CD holds {args.limit:,}. Nothing was written.")
    os.replace(partial, args.output)
    print(f"disc-image: {args.output}: {size:,} bytes, volume {args.volume}")


if __name__ == "__main__":
    main()
