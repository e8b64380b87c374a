"""Lays a shared library's pages out in the order a start-up touches them.

A library's loaded segments are spread over its file in the linker's order,
and a start-up touches pages all over them: from a drive, reading those
pages costs the whole file (or a seek for each). This rewrites the file so
that the pages of each given group (the pages touched before the window is
painted, then those touched after it) lie one after the other at its start,
and the rest follow. Each page keeps its bytes; a loaded segment is split
into as many segments as its pages now have runs in the file, each mapped at
its old address, so the loader maps the same memory as before from other
places in the file.

The program headers no longer fit before the first segment's contents: they
move to the page after the ELF header, outside every segment (the loader
then keeps a copy of them in memory, as it does for any library whose
headers are not loaded, and hands that copy to whoever asks it with
dl_iterate_phdr). The ELF header, as mapped in memory, still points at the
file's headers: code that looks for them at the library's base plus e_phoff
finds other bytes there. Section headers are dropped: no section could be
described any more, and the loader does not read them. So nothing but the
dynamic loader should read a rewritten file: only libraries loaded by name
(not plugins, whose metadata the toolkit reads from sections, not the loader
itself, not a program).

Only a 64-bit little-endian shared object with no program interpreter and no
PT_PHDR is rewritten; `relayout` returns None for anything else, or for a
file whose notes would not stay in one piece.
"""

import struct

PAGE = 4096
EHDR = struct.Struct("<16sHHIQQQIHHHHHH")
PHDR = struct.Struct("<IIQQQQQQ")
PT_LOAD, PT_INTERP, PT_NOTE, PT_PHDR = 1, 3, 4, 6
PT_GNU_PROPERTY = 0x6474E553
ET_DYN = 3
MAX_HEADERS = 0xFFFE  # e_phnum's own limit (0xffff means "see section 0")
READ_FROM_FILE = (PT_NOTE, PT_GNU_PROPERTY)  # the loader may read these with pread


def _pages(start, end):
    """The page numbers of file bytes [start, end)."""
    return range(start // PAGE, (end + PAGE - 1) // PAGE) if end > start else range(0)


def relayout(data, groups):
    """The file's bytes laid out with the pages of each group of page numbers
    (in the original file) first, group after group, and the map from old to
    new page numbers; None where the file is not one to rewrite."""
    if len(data) < EHDR.size or data[:4] != b"\x7fELF" or data[4] != 2 or data[5] != 1:
        return None
    (ident, e_type, machine, version, entry, phoff, shoff, flags, ehsize, phentsize, phnum,
     shentsize, shnum, shstrndx) = EHDR.unpack_from(data)
    if e_type != ET_DYN or phentsize != PHDR.size or phoff + phnum * PHDR.size > len(data):
        return None
    headers = [PHDR.unpack_from(data, phoff + i * PHDR.size) for i in range(phnum)]
    if any(h[0] in (PT_INTERP, PT_PHDR) for h in headers):
        return None
    loads = [h for h in headers if h[0] == PT_LOAD]
    if not loads or any((h[3] - h[2]) % PAGE or h[2] + h[5] > len(data) for h in loads):
        return None
    if any(a[3] + a[6] > b[3] for a, b in zip(loads, loads[1:])):
        return None  # not in address order, or overlapping

    loaded = sorted({p for h in loads for p in _pages(h[2], h[2] + h[5])})
    loaded_set = set(loaded)
    order, placed = [0], {0}
    for group in [*groups, loaded]:
        for page in sorted(set(group) & loaded_set - placed):
            order.append(page)
            placed.add(page)
    slot = {page: index for index, page in enumerate(order)}  # before the header pages go in

    def runs(h):
        """A segment's file bytes as (start, end, slot of start's page) runs
        whose pages are consecutive in the new order."""
        start, end = h[2], h[2] + h[5]
        out = []
        for page in _pages(start, end):
            lo, hi = max(start, page * PAGE), min(end, (page + 1) * PAGE)
            if out and page != 0 and out[-1][2] != 0 and slot[page] == slot[page - 1] + 1:
                out[-1][1] = hi
            else:
                out.append([lo, hi, page])
        return out

    new_headers = []
    for h in headers:
        if h[0] != PT_LOAD:
            new_headers.append(h)
            continue
        p_type, p_flags, offset, vaddr, paddr, filesz, memsz, align = h
        if filesz == 0:
            new_headers.append((p_type, p_flags, vaddr % PAGE, vaddr, paddr, 0, memsz, PAGE))
            continue
        pieces = runs(h)
        for index, (lo, hi, page) in enumerate(pieces):
            bss = memsz - filesz if index == len(pieces) - 1 else 0
            # the new offset is filled in once the header pages are counted
            new_headers.append((p_type, p_flags, ("page", page, lo - page * PAGE), vaddr + lo - offset,
                                paddr + lo - offset, hi - lo, hi - lo + bss, PAGE))
    if len(new_headers) > MAX_HEADERS:
        return None
    header_pages = (len(new_headers) * PHDR.size + PAGE - 1) // PAGE

    def new_page(page):
        return 0 if page == 0 else slot[page] + header_pages

    def new_offset(offset):
        return new_page(offset // PAGE) * PAGE + offset % PAGE

    out_headers = []
    for h in new_headers:
        p_type, p_flags, offset, vaddr, paddr, filesz, memsz, align = h
        if isinstance(offset, tuple):
            _, page, within = offset
            offset = new_page(page) * PAGE + within
        elif p_type != PT_LOAD and filesz > 0:
            if any(p not in loaded_set for p in _pages(offset, offset + filesz)):
                if p_type in READ_FROM_FILE:
                    return None
                offset = 0
            else:
                pages = list(_pages(offset, offset + filesz))
                if p_type in READ_FROM_FILE and any(new_page(b) != new_page(a) + 1 for a, b in zip(pages, pages[1:])):
                    return None
                offset = new_offset(offset)
        out_headers.append((p_type, p_flags, offset, vaddr, paddr, filesz, memsz, align))

    size = (len(order) + header_pages) * PAGE
    out = bytearray(size)
    for page in order:
        chunk = data[page * PAGE:(page + 1) * PAGE]
        at = new_page(page) * PAGE
        out[at:at + len(chunk)] = chunk
    EHDR.pack_into(out, 0, ident, e_type, machine, version, entry, PAGE, 0, flags, ehsize, phentsize,
                   len(out_headers), shentsize if shnum else 0, 0, 0)
    for index, h in enumerate(out_headers):
        PHDR.pack_into(out, PAGE + index * PHDR.size, *h)
    # The last page need not be whole: the file ends where its last byte is.
    last = max((h[2] + h[5] for h in out_headers if h[0] == PT_LOAD), default=size)
    end = max(last, PAGE + len(out_headers) * PHDR.size)
    return bytes(out[:max(end, PAGE)]), {page: new_page(page) for page in order}


def header_pages_end(page_map):
    """The first page after the program headers: new page 1 up to the first
    page that holds a loaded page."""
    return min((p for p in page_map.values() if p), default=1)
