#!/usr/bin/env python3
"""Records the order in which a start-up of the assembled disc first opens the
disc's files, for the image to lay them out in that order.

The disc's program is started from its root under a private X server, cold
(every file of the disc evicted from the page cache), under strace; each file
of the disc opened or executed by the program or its helper processes is
listed once, at its first touch, until the Home page is drawn (or nothing new
has been opened for a while after the window was painted), twice by default,
the pages of the starts joined. A line "# painted"
falls where the main window was first painted; the catalogue's files a first
tab clicked at once opens come before it too, for the launcher to read them
with the rest. Paths are relative to the disc root.

With each file go the pieces of it the start-up read (disc/start_order.h has
the format): the pages of the file in the page cache (mincore) when the
window was painted and a first tab clicked at once has filled the tree, for
a file opened before the paint, and when the Home page was drawn (clicked
after the tab), for one opened after.
Recorded as root, the disc is started from a file system of its own that
reads no more than asked for (no readahead), so the pages in the cache are
those the start-up touched.

Exit status: 0 recorded (or, with --keep-going, the last recording kept or an
empty order written where recording is impossible here), 1 the start-up
could not be recorded, 2 bad arguments, 77 the tools are missing.
"""

import argparse
import collections
import ctypes
import mmap
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "../bench/disc"))
from startup_reads import (HOME_HEADER, SEARCH_BUTTON, SEARCH_COLOUR, WEB_VIEW, Medium, Window,  # noqa: E402
                           evict, disc_files)
from clean_root_test import Xvfb, descendants  # noqa: E402  (startup_reads puts it on the path)
from screen import Screen  # noqa: E402
from startup_drive import FIRST_TAB, HOME_BUTTON, click, tree_filled  # noqa: E402

HEADER = """\
# The disc's files in the order a start-up first opened them, recorded by
# scripts/record-start-order.py from the program itself. The image lays its
# files out in this order. The launcher reads the pieces of the files listed
# before "# painted" (what the window's paint and a first tab click read)
# before it starts the program, the program those of the runtime files
# listed after it once its window is painted. A path's pieces (after a tab):
# first+count in pages of 4 KiB; without pieces, the whole file.
"""
PAINTED = "# painted"
BLOCK = 4096         # the order file's unit for pieces: a page
# Pages: pieces closer than this are joined. Before the paint, the pages
# touched as they are; after it, the web engine's pages vary from one start
# to the next, and a page missed costs a drive a seek: those around go too.
MERGE_GAP_PAINT = 1
MERGE_GAP_HOME = 4
TAB_SETTLE_S = 1     # seconds after the tree is seen filled until the tab's pages are taken
HOME_SETTLE_S = 3    # seconds after the Home page is seen drawn until its pages are taken
RUNTIME = ".zolt"
HOME_MODULE = RUNTIME + "/zolt-home.so"  # loaded once the window is painted: the paint's exact time
QUIET_S = 6          # nothing new opened this long after the paint: the start-up is over
TIMEOUT_S = 180

# pid  seconds  call(dirfd<folder>, "path", ...) = result   (strace -f -ttt -y)
CALL = re.compile(r'^\d+\s+([\d.]+)\s+(openat2?|open|execve)\((?:(?:-?\d+|AT_FDCWD)(?:<([^>]*)>)?, )?"((?:[^"\\]|\\.)*)"')


def unescape(text):
    return os.fsdecode(text.encode("latin-1").decode("unicode_escape").encode("latin-1"))


def first_touches(log, root):
    """(seconds, path relative to root) of each file of the disc, at its first touch."""
    seen, order = set(), []
    with open(log, encoding="latin-1") as lines:
        for line in lines:
            match = CALL.match(line)
            if not match:  # a call's result may come on a later line: the file's existence decides
                continue
            seconds, _, folder, path = match.groups()
            path = unescape(path)
            if not path.startswith("/"):
                path = os.path.join(unescape(folder) if folder else root, path)
            real = os.path.realpath(path)
            if not real.startswith(root + "/") or not os.path.isfile(real):
                continue
            rel = os.path.relpath(real, root)
            if rel not in seen:
                seen.add(rel)
                order.append((float(seconds), rel))
    return order


_libc = ctypes.CDLL(None, use_errno=True)
_libc.mmap.restype = ctypes.c_void_p
_libc.mmap.argtypes = (ctypes.c_void_p, ctypes.c_size_t, ctypes.c_int, ctypes.c_int, ctypes.c_int, ctypes.c_long)
_libc.munmap.argtypes = (ctypes.c_void_p, ctypes.c_size_t)
_libc.mincore.argtypes = (ctypes.c_void_p, ctypes.c_size_t, ctypes.c_char_p)


def cached_blocks(path):
    """The BLOCK-sized blocks of a file with a page in the page cache (as fincore sees them)."""
    try:
        fd = os.open(path, os.O_RDONLY)
    except OSError:
        return set()
    try:
        size = os.fstat(fd).st_size
        if size == 0:
            return set()
        address = _libc.mmap(None, size, mmap.PROT_READ, mmap.MAP_SHARED, fd, 0)
        if address in (None, ctypes.c_void_p(-1).value):
            return set()
        try:
            page = mmap.PAGESIZE
            vector = ctypes.create_string_buffer((size + page - 1) // page)
            if _libc.mincore(address, size, vector) != 0:
                return set()
            return {i * page // BLOCK for i, resident in enumerate(vector.raw) if resident & 1}
        finally:
            _libc.munmap(address, size)
    finally:
        os.close(fd)


def snapshot(root):
    """Cached blocks of every file of the disc, by path relative to root."""
    return {os.path.relpath(path, root): blocks for path in disc_files(root) if (blocks := cached_blocks(path))}


def pieces(blocks, gap=MERGE_GAP_PAINT):
    """Sorted blocks as (first, count) pieces, those less than `gap` apart joined."""
    found = []
    for block in sorted(blocks):
        if found and block - (found[-1][0] + found[-1][1]) < gap:
            found[-1][1] = block - found[-1][0] + 1
        else:
            found.append([block, 1])
    return [tuple(piece) for piece in found]


def record(disc, home):
    work = tempfile.mkdtemp(prefix="zolt-start-order.")
    medium = None
    if os.geteuid() == 0 and all(shutil.which(tool) for tool in ("mkfs.ext4", "losetup", "blockdev")):
        # On a file system of its own without readahead, the pages in the
        # cache are the ones the program touched; the build's own disk reads
        # far more around each.
        try:
            medium = Medium(disc, work)
            subprocess.run(["blockdev", "--setra", "0", medium.device], check=True)
        except (OSError, subprocess.CalledProcessError) as error:
            print(f"start-order: no medium of its own ({error}); the pieces are those of the build's disk",
                  file=sys.stderr)
    root = os.path.realpath(medium.mount if medium else disc)
    evict(disc_files(root))
    display = Xvfb()
    log = os.path.join(work, "trace")
    env = {"DISPLAY": f":{display.number}", "HOME": home or work, "PATH": "/usr/bin:/bin",
           "LANG": "C.UTF-8", "LIBGL_ALWAYS_SOFTWARE": "1"}
    process = subprocess.Popen(
        ["strace", "-f", "-qq", "-ttt", "-y", "-s", "4096", "-o", log,
         "-e", "trace=open,openat,openat2,execve", os.path.join(root, "zolt")],
        env=env, cwd=root, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    window = Window(f":{display.number}")
    painted = home_drawn = tabbed = tabbed_at = filled = None
    at_home = at_tab = None
    screen = Screen(f":{display.number}")
    # Until the window is seen painted, the cache as it was a moment ago: the
    # last one before the Home page's module was opened is the paint's.
    recent = collections.deque(maxlen=200)
    began = time.monotonic()
    last_size, last_growth = 0, began
    try:
        win = None
        while time.monotonic() - began < TIMEOUT_S and process.poll() is None:
            now = time.monotonic()
            size = os.path.getsize(log) if os.path.exists(log) else 0
            if size != last_size:
                last_size, last_growth = size, now
            if painted is None:
                recent.append((time.time(), snapshot(root)))
            win = win or window.find()
            grab = window.grab(win) if win else None
            if grab and painted is None and window.pixel(grab, *SEARCH_BUTTON) == SEARCH_COLOUR:
                painted = time.time()
                recent.append((painted, snapshot(root)))
                x, y = screen.origin(win)  # a reader's first click: a tab
                click(f":{display.number}", x + FIRST_TAB[0], y + FIRST_TAB[1])
            elif grab and painted and filled is None and (tree_filled(window, grab) or now - began > TIMEOUT_S / 2):
                filled = now
            elif filled is not None and tabbed is None and now - filled > TAB_SETTLE_S:
                # The item the tab shows is laid out and drawn a moment after
                # the tree fills (its title's face among what that reads).
                tabbed, tabbed_at, at_tab = now, time.time(), snapshot(root)
                x, y = screen.origin(win)
                click(f":{display.number}", x + HOME_BUTTON[0], y + HOME_BUTTON[1])
            if grab and tabbed and home_drawn is None and window.count(grab, WEB_VIEW, HOME_HEADER) > 75:
                home_drawn = now
                at_home = snapshot(root)
            if painted and home_drawn and now - home_drawn > HOME_SETTLE_S:
                # What the page touches while it finishes (its pictures, the
                # engine's first idle work) counts too: a page missed costs a
                # drive a seek each time.
                at_home = snapshot(root)
                break
            if painted and now - last_growth > QUIET_S:
                break
            time.sleep(0.05)
    finally:
        # strace leaves its tracees running when it is stopped: they go first.
        for pid in descendants(process.pid):
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        process.terminate()
        try:
            process.wait(10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
        display.stop()
    try:
        if painted is None:
            return None
        at_home = at_home or snapshot(root)
        touches = first_touches(log, root)
        # The window is seen painted a moment after it is: the Home page's
        # module, loaded on the first paint, tells when more exactly.
        painted = min([painted] + [seconds - 1e-6 for seconds, rel in touches if rel == HOME_MODULE])
        # What a tab clicked at once reads too goes with what the paint read.
        at_paint = at_tab or next((snap for taken, snap in reversed(recent) if taken <= painted), recent[0][1])
        # So do the catalogue's files that tab shows, and the faces it draws
        # them with; the runtime's other files first opened then (the Home
        # page's module and the web engine, which load on the paint here
        # where nothing is read ahead) come after.
        shown = tabbed_at if at_tab is not None else painted
        for_tab = lambda rel: not rel.startswith(RUNTIME + "/") or rel.startswith(RUNTIME + "/fonts/")
        before = [(False, rel, pieces(at_paint.get(rel, ()))) for seconds, rel in touches
                  if seconds <= painted or (seconds <= shown and for_tab(rel))]
        first = {rel for _, rel, _ in before}
        # The pages of those files that the Home page (its helper processes)
        # touched later are read ahead first after the paint, on from there.
        again = [(True, rel, pieces(more, MERGE_GAP_HOME)) for _, rel, _ in before
                 if rel.startswith(RUNTIME + "/") and (more := at_home.get(rel, set()) - at_paint.get(rel, set()))]
        after = [(True, rel, pieces(at_home.get(rel, ()), MERGE_GAP_HOME)) for seconds, rel in touches
                 if seconds > painted and rel not in first]
        return before + again + after
    finally:
        if medium:
            medium.close()
        shutil.rmtree(work, ignore_errors=True)


def merged(recordings):
    """Several recordings as one: the first's order, with the lines only a
    later one has after the first's of the same part (before the paint, after
    it); each line's pages those of all, joined as the part's are."""
    pages, keys = {}, []
    for recording in recordings:
        for later, rel, read in recording:
            key = (later, rel)
            if key not in pages:
                pages[key] = set()
                keys.append(key)
            pages[key].update(block for first, count in read for block in range(first, first + count))
    ordered = [key for key in keys if not key[0]] + [key for key in keys if key[0]]
    return [(later, rel, pieces(pages[(later, rel)], MERGE_GAP_HOME if later else MERGE_GAP_PAINT))
            for later, rel in ordered]


def write(output, painted, order):
    """The order file; `order`: (after the paint, path, pieces) in order."""
    lines = [HEADER]
    marked = False
    for later, rel, read in order:
        if not marked and painted is not None and later:
            lines.append(PAINTED + "\n")
            marked = True
        lines.append(rel + ("\t" + " ".join(f"{first}+{count}" for first, count in read) if read else "") + "\n")
    if not marked and painted is not None:
        lines.append(PAINTED + "\n")
    partial = output + ".partial"
    with open(partial, "w") as out:
        out.writelines(lines)
    os.replace(partial, output)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--disc", required=True, help="the assembled disc root")
    parser.add_argument("--output", required=True, help="the order file to write")
    parser.add_argument("--keep-going", action="store_true",
                        help="where the start-up cannot be recorded, keep the last recording (or write an "
                             "empty order) and exit 0")
    parser.add_argument("--runs", type=int, default=2, help="start-ups recorded, their pages joined (default 2)")
    args = parser.parse_args()
    if args.runs < 1:
        parser.error("--runs must be 1 or more")
    if not os.path.isfile(os.path.join(args.disc, "zolt")):
        print(f"start-order: {args.disc} has no program at its root", file=sys.stderr)
        return 2

    def give_up(status, reason):
        if not args.keep_going:
            print(f"start-order: {reason}", file=sys.stderr)
            return status
        if os.path.exists(args.output):
            print(f"start-order: {reason}; the image keeps the order last recorded", file=sys.stderr)
            os.utime(args.output)
        else:
            print(f"start-order: {reason}; the image is laid out without an order", file=sys.stderr)
            write(args.output, None, [])
        return 0

    missing = [tool for tool in ("strace", "Xvfb", "xdotool", "xwd") if not shutil.which(tool)]
    if missing:
        return give_up(77, f"{', '.join(missing)} missing (scripts/install-deps.sh)")
    # The web engine touches somewhat other pages from one start to the next:
    # each start recorded adds the pages the others missed.
    recordings = []
    for _ in range(args.runs):
        result = record(args.disc, None)
        if result is None:
            return give_up(1, "the program's window was not painted under the recording")
        recordings.append(result)
    result = merged(recordings)
    write(args.output, True, result)
    before = sum(1 for later, _, _ in result if not later)
    print(f"start-order: {len({rel for _, rel, _ in result})} files of the disc opened, {before} before the paint")
    return 0


if __name__ == "__main__":
    sys.exit(main())
