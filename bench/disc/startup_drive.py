#!/usr/bin/python3
"""The start-up from the disc as a CD or DVD drive serves it: seconds to the
painted window, to the tree filled by a tab click and to the Home page drawn,
with the bytes and the separate reads the drive served until each.

The files of the disc image are read back with xorriso and served through a
FUSE file system that answers each read after the drive's time:

- every file lies where xorriso places it on the image (its first 2 KiB block);
  the drive reads whole 2 KiB blocks;
- a read that does not continue the previous one on the image costs an access
  time first; then the bytes cost their size divided by the rate; a read a
  short way ahead (less than the drive reads in an access time) costs the
  time of reading on over the gap instead, as the disc turns on under the head;
- a zisofs-compressed file (the runtime folder) is read as the kernel reads
  it: whole compressed blocks, at their compressed size, with the entries of
  the file's block table; what was read once stays in the buffer cache;
- the drive serves one read at a time.

The mount reads ahead 128 KiB (max_readahead), as Linux does for a CD drive,
and is read through the page cache (direct_io off, kernel_cache: a file's
pages stay cached across opens, as on an ISO 9660 mount); a read asks for at
most 128 KiB (max_read). Directory lookups cost nothing. Each run starts the
program at the mount's root cold, on a fresh mount (so an empty page cache for
the disc's files), under Xvfb; the first tab is clicked as soon as the
window is painted (again every 2 s while the tree stays empty: a click may
be lost, as a reader's would), then " Home " once the tree is filled: the tab hides the Home
page, and the Home page drawn is the last mark. All times are from the
program's start.

Run by hand after `cmake --build build --target disc-image`, as root:
    bench/disc/startup_drive.py --build build --drive cd52 [--runs 3] [--json FILE]
Exit status: 0 measured, 1 a mark was not reached, 2 bad arguments or tools,
77 FUSE cannot be used here.
"""

import argparse
import json
import multiprocessing
import os
import shlex
import shutil
import statistics
import struct
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from startup_reads import HOME_HEADER, SEARCH_BUTTON, SEARCH_COLOUR, WEB_VIEW, Window, start  # noqa: E402
from clean_root_test import Xvfb, descendants  # noqa: E402  (startup_reads put it on the path)
from screen import Screen  # noqa: E402

try:
    import fusepy  # Debian's python3-fusepy, on libfuse2
except (ImportError, OSError) as error:
    fusepy, FUSEPY_ERROR = None, error

SKIP = 77
SECTOR = 2048
READ_AHEAD = 128 * 1024
ZISOFS_MAGIC = bytes.fromhex("37e45396c9dbd607")
DRIVES = {  # bytes per second on the inner tracks, seconds per access
    "cd52": (3.6e6, 0.100),
    "dvd16": (9.5e6, 0.150),
}
MARKS = ("painted", "tabs", "home")
KEYS = tuple(f"{m}_s" for m in MARKS) + tuple(f"{what}_{m}" for m in MARKS for what in ("bytes", "reads"))

RECLICK_S = 2.0  # a tab click the window lost is clicked again after this

# The main window's fixed layout (window coordinates).
FIRST_TAB = (221 + 20, 43 + 8)
HOME_BUTTON = (502 + 20, 1 + 8)
TREE = (0, 97, 217, 315)
TREE_STRIP = (100, 60 + 18)
LIGHT, WHITE = (215, 225, 232), (255, 255, 255)


def skip(reason):
    print(f"startup_drive: FUSE cannot be used here: {reason}", file=sys.stderr)
    sys.exit(SKIP)


def fail(status, message):
    print(f"startup_drive: {message}", file=sys.stderr)
    sys.exit(status)


# ---- The image: its files and where they lie -------------------------------

class Extent:
    """Where a file's bytes lie on the image. A zisofs file has its block
    size, the offset of its block table and the table itself (offsets of the
    compressed blocks from the file's start)."""

    def __init__(self, start, length, zisofs=None):
        self.start, self.length = start, length
        self.block_shift, self.table_offset, self.pointers = zisofs or (None, None, None)


def xorriso(image, *commands):
    """xorriso on the image, names as the bytes the image holds (UTF-8 on ours)."""
    return subprocess.run(["xorriso", "-charset", "UTF-8", "-local_charset", "UTF-8", "-indev", image, *commands],
                          check=True, capture_output=True, text=True, errors="surrogateescape").stdout


def extract(image, folder):
    """The image's files in a folder, modes kept, zisofs files inflated."""
    xorriso(image, "-osirrox", "on", "-extract", "/", folder)


def report_lba(image):
    """(path, first block, blocks, size) of each file, as xorriso reports them."""
    for line in xorriso(image, "-find", "/", "-exec", "report_lba").splitlines():
        if not line.startswith("File data lba:"):
            continue
        extent, lba, blocks, size, quoted = line.split(":", 1)[1].split(",", 4)
        if int(extent) == 0:  # files over 4 GiB have more; a disc's have not
            yield shlex.split(quoted)[0], int(lba), int(blocks), int(size)


def zisofs_table(image, start, size):
    """(block shift, table offset, block offsets) of a zisofs file, else None."""
    image.seek(start)
    header = image.read(16)
    if len(header) < 16 or header[:8] != ZISOFS_MAGIC:
        return None
    inflated, header_words, shift = struct.unpack("<IBB", header[8:14])
    if inflated != size or not 15 <= shift <= 17:
        return None
    blocks = (inflated + (1 << shift) - 1) >> shift
    image.seek(start + 4 * header_words)
    pointers = struct.unpack(f"<{blocks + 1}I", image.read(4 * (blocks + 1)))
    return shift, 4 * header_words, pointers


def unplaced(root, layout):
    """Regular files of the extracted disc that xorriso placed nowhere."""
    return [path for folder, _, names in os.walk(root) for name in names
            if not os.path.islink(os.path.join(folder, name))
            and (path := "/" + os.path.relpath(os.path.join(folder, name), root)) not in layout]


def read_layout(image_path):
    layout = {}
    with open(image_path, "rb") as image:
        for path, lba, blocks, size in report_lba(image_path):
            start = lba * SECTOR
            layout[path] = Extent(start, blocks * SECTOR, zisofs_table(image, start, size))
    return layout


# ---- The drive and the file system it serves -------------------------------

class Drive:
    """One read at a time; an access unless the read continues the last one.
    Counters (bytes, reads, accesses) live in memory shared with the caller."""

    def __init__(self, rate, access, counters, trace=None):
        self.rate, self.access, self.counters, self.trace = rate, access, counters, trace
        self.lock = threading.Lock()
        self.head = None  # the image byte after the last read
        self.began = time.monotonic()

    def serve(self, runs, path, offset, size):
        """Reads [start, end) byte runs of the image, sector aligned, for a
        read of the file; the caller holds the lock."""
        for start, end in runs:
            gap = start - self.head if self.head is not None else -1
            moved = not 0 <= gap < self.rate * self.access
            if moved:
                seconds = self.access + (end - start) / self.rate
                self.counters[2] += 1
            else:  # on, or a short way ahead: the drive reads on over the gap
                seconds = (end - self.head) / self.rate
            if self.trace:
                self.trace.write(f"{time.monotonic() - self.began:.3f}\t{start // SECTOR}\t{end - start}\t"
                                 f"{'access' if moved else 'next'}\t{path}\t{offset}\t{size}\n")
            time.sleep(seconds)
            self.head = end
            self.counters[0] += end - start
            self.counters[1] += 1


def sector_runs(sectors):
    """Sorted sector numbers as contiguous [start, end) byte runs."""
    runs = []
    for sector in sorted(sectors):
        if runs and runs[-1][1] == sector * SECTOR:
            runs[-1][1] += SECTOR
        else:
            runs.append([sector * SECTOR, (sector + 1) * SECTOR])
    return [tuple(r) for r in runs]


def byte_sectors(start, end):
    return range(start // SECTOR, (end + SECTOR - 1) // SECTOR)


class DriveFS:
    """The extracted files, read-only, each read answered after the drive's time."""

    use_ns = True

    def __init__(self, root, layout, drive):
        self.root, self.layout, self.drive = root, layout, drive
        self.inflated = {}      # path -> zisofs blocks already read (their pages are cached)
        self.buffered = set()   # image sectors read for zisofs files (the buffer cache)

    def _full(self, path):
        return os.path.join(self.root, path.lstrip("/"))

    def plain_runs(self, extent, offset, size):
        first = extent.start + offset // SECTOR * SECTOR
        end = min(extent.start + offset + size, extent.start + extent.length)
        return [(first, (end + SECTOR - 1) // SECTOR * SECTOR)] if end > first else []

    def zisofs_runs(self, path, extent, offset, size):
        done = self.inflated.setdefault(path, set())
        last = len(extent.pointers) - 2
        wanted = [b for b in range(offset >> extent.block_shift,
                                   min((offset + size - 1) >> extent.block_shift, last) + 1)
                  if b not in done]
        done.update(wanted)
        sectors = set()
        for b in wanted:
            table = extent.start + extent.table_offset + 4 * b
            sectors.update(byte_sectors(table, table + 8))
            sectors.update(byte_sectors(extent.start + extent.pointers[b], extent.start + extent.pointers[b + 1]))
        sectors -= self.buffered
        self.buffered |= sectors
        return sector_runs(sectors)

    def runs_for(self, path, offset, size):
        extent = self.layout.get(path)
        if extent is None or size <= 0:
            return []
        if extent.pointers is not None:
            return self.zisofs_runs(path, extent, offset, size)
        return self.plain_runs(extent, offset, size)

    # FUSE operations
    def __call__(self, op, *args):
        if not hasattr(self, op):
            raise fusepy.FuseOSError(38)  # ENOSYS
        try:
            return getattr(self, op)(*args)
        except OSError as error:
            raise fusepy.FuseOSError(error.errno or 5)  # EIO

    def getattr(self, path, fh=None):
        st = os.lstat(self._full(path))
        attrs = {key: getattr(st, key) for key in
                 ("st_mode", "st_nlink", "st_uid", "st_gid", "st_size", "st_blocks")}
        attrs.update(st_atime=st.st_atime_ns, st_mtime=st.st_mtime_ns, st_ctime=st.st_ctime_ns)
        return attrs

    def readdir(self, path, fh):
        return [".", "..", *os.listdir(self._full(path))]

    def readlink(self, path):
        return os.readlink(self._full(path))

    def open(self, path, flags):
        if flags & (os.O_WRONLY | os.O_RDWR):
            raise OSError(30, "read-only")  # EROFS
        return os.open(self._full(path), os.O_RDONLY)

    def read(self, path, size, offset, fh):
        data = os.pread(fh, size, offset)
        with self.drive.lock:
            self.drive.serve(self.runs_for(path, offset, len(data)), path, offset, len(data))
        return data

    def release(self, path, fh):
        os.close(fh)
        return 0

    def statfs(self, path):
        return {"f_bsize": SECTOR, "f_frsize": SECTOR, "f_namemax": 255}


def serve(mount, root, layout, model, counters, trace):
    """The FUSE loop (in a process of its own) until the mount is unmounted."""
    rate, access = model
    day = 86400
    log = open(trace, "w", buffering=1) if trace else None
    try:
        fusepy.FUSE(DriveFS(root, layout, Drive(rate, access, counters, log)), mount, foreground=True,
                    fsname="zolt-drive", ro=True, default_permissions=True, kernel_cache=True,
                    max_readahead=READ_AHEAD, max_read=READ_AHEAD,
                    entry_timeout=day, attr_timeout=day, negative_timeout=day)
    except RuntimeError:  # libfuse has said why
        sys.exit(1)


class Mount:
    """A fresh FUSE mount of the disc's files: an empty page cache, a new drive."""

    def __init__(self, mount, root, layout, model, trace=None):
        self.mount = mount
        os.makedirs(mount, exist_ok=True)
        context = multiprocessing.get_context("fork")
        self.counters = context.RawArray("q", 3)
        self.server = context.Process(target=serve, args=(mount, root, layout, model, self.counters, trace))
        self.server.start()
        deadline = time.monotonic() + 10
        while not os.path.ismount(mount):
            if not self.server.is_alive() or time.monotonic() > deadline:
                self.server.terminate()
                skip(f"mounting {mount} failed (libfuse's message above)")
            time.sleep(0.05)

    def served(self):
        """(bytes, reads, accesses) so far."""
        return tuple(self.counters)

    def close(self):
        for command in (["umount", self.mount], ["umount", "-l", self.mount]):
            if subprocess.run(command, capture_output=True).returncode == 0:
                break
        self.server.join(10)
        if self.server.is_alive():
            self.server.terminate()


# ---- One start-up, watched ---------------------------------------------------

def tree_filled(window, grab):
    """The left column is shown (its light strip over the tree) with entries in the tree."""
    inked = sum(1 for y in range(TREE[1], TREE[1] + TREE[3], 2) for x in range(TREE[0], TREE[0] + TREE[2], 2)
                if window.pixel(grab, x, y) not in (WHITE, None))
    return window.pixel(grab, *TREE_STRIP) == LIGHT and inked > 100


def home_drawn(window, grab):
    return window.count(grab, WEB_VIEW, HOME_HEADER) > 75


def window_painted(window, grab):
    return window.pixel(grab, *SEARCH_BUTTON) == SEARCH_COLOUR


def alive(pid):
    """Running, not a zombie (what it mapped is let go at exit)."""
    try:
        with open(f"/proc/{pid}/stat") as stat:
            return stat.read().rsplit(")", 1)[1].split()[0] != "Z"
    except (OSError, IndexError):
        return False


def stop(process):
    helpers = descendants(process.pid)
    process.terminate()
    try:
        process.wait(10)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()
    for pid in helpers:
        try:
            os.kill(pid, 9)
        except ProcessLookupError:
            pass
    deadline = time.monotonic() + 10  # until they let go of the mount
    while any(alive(pid) for pid in helpers) and time.monotonic() < deadline:
        time.sleep(0.05)


def click(display, x, y):
    """A click at a place of the screen. Without --sync: moving to where the
    pointer already is would wait for a motion that never comes."""
    subprocess.run(["xdotool", "mousemove", str(x), str(y), "click", "1"],
                   check=True, env=dict(os.environ, DISPLAY=display))


def watch(program, display, mount, timeout, shots):
    """Marks reached, name -> (seconds, bytes, reads, accesses), and the tab
    clicks it took: a click that finds the window not listening (it is made
    again) is lost, and the tab is clicked again after RECLICK_S, as a reader would."""
    window, screen = Window(display), Screen(display)
    tests = {"painted": window_painted, "tabs": tree_filled, "home": home_drawn}
    then_click = {"painted": FIRST_TAB, "tabs": HOME_BUTTON}
    marks, win, clicked, tab_clicks = {}, None, 0.0, 0
    began = time.monotonic()
    process = start(program, display)
    try:
        while len(marks) < len(MARKS) and time.monotonic() - began < timeout:
            win = win or window.find()
            grab = window.grab(win) if win else None
            if not grab:
                win = None  # not shown yet, or made again
            else:
                now = time.monotonic()
                mark = next(m for m in MARKS if m not in marks)
                if tests[mark](window, grab):
                    marks[mark] = (now - began, *mount.served())
                    if shots:
                        screen.shot(win).save_png(os.path.join(shots, f"{mark}.png"))
                target = None
                if mark in marks:
                    target = then_click.get(mark)
                elif mark == "tabs" and now - clicked > RECLICK_S:
                    target = FIRST_TAB  # the last click was lost
                if target:
                    x, y = screen.origin(win)
                    click(display, x + target[0], y + target[1])
                    clicked = time.monotonic()
                    tab_clicks += target == FIRST_TAB
            time.sleep(0.02)
        if shots and win and len(marks) < len(MARKS):
            screen.shot(win).save_png(os.path.join(shots, "missed.png"))
    finally:
        stop(process)
    return marks, tab_clicks


def measure(mount_path, root, layout, model, display, args):
    """One run on a fresh mount: the nine figures, or None if a mark was missed."""
    mount = Mount(mount_path, root, layout, model, args.trace)
    try:
        marks, tab_clicks = watch(os.path.join(mount_path, "zolt"), display, mount, args.timeout, args.shots)
    finally:
        mount.close()
    for mark in MARKS:
        if mark not in marks:
            print(f"startup_drive: the {mark} mark was not reached in {args.timeout:.0f} s", file=sys.stderr)
            return None, marks, tab_clicks
    run = {}
    for mark in MARKS:
        seconds, served, reads, _ = marks[mark]
        run.update({f"{mark}_s": round(seconds, 3), f"bytes_{mark}": served, f"reads_{mark}": reads})
    return run, marks, tab_clicks


def print_run(number, marks, tab_clicks):
    names = {"painted": "window painted", "tabs": "tab fills tree", "home": "Home page drawn"}
    print(f"run {number} (tab clicks: {tab_clicks}):")
    for mark in MARKS:
        if mark in marks:
            seconds, served, reads, accesses = marks[mark]
            print(f"  {names[mark]:16} {seconds:7.2f} s  {served:>13,} bytes  {reads:>6,} reads  "
                  f"{accesses:>5,} accesses")


def medians(runs):
    figures = {key: statistics.median(run[key] for run in runs) for key in KEYS}
    return {key: round(value, 3) if key.endswith("_s") else round(value) for key, value in figures.items()}


# ---- Command line ------------------------------------------------------------

def parse_args():
    parser = argparse.ArgumentParser(
        description="Starts the disc's program from its image served at a drive's pace, and times it.")
    parser.add_argument("--build", default="build", help="build folder with zolt-cd.iso (default build)")
    parser.add_argument("--image", help="the disc image (default BUILD/zolt-cd.iso)")
    parser.add_argument("--drive", choices=sorted(DRIVES), default="cd52", help="drive model (default cd52)")
    parser.add_argument("--rate", type=float, help="transfer rate in MB/s (10^6 bytes), instead of the model's")
    parser.add_argument("--access", type=float, help="access time in ms, instead of the model's")
    parser.add_argument("--runs", type=int, default=1, help="runs, each cold on a fresh mount (default 1)")
    parser.add_argument("--json", help="write the figures (medians, and each run) to this file")
    parser.add_argument("--timeout", type=float, default=300, help="seconds a run may take (default 300)")
    parser.add_argument("--shots", help="save a screenshot at each mark in this folder (last run's)")
    parser.add_argument("--trace", help="write each read the drive served to this file (last run's): "
                        "seconds, first block, bytes, access or next, file, offset, size")
    args = parser.parse_args()
    if args.runs < 1:
        parser.error("--runs must be at least 1")
    return args


def check_fuse():
    if fusepy is None:
        skip(f"no fusepy or libfuse ({FUSEPY_ERROR}); scripts/install-deps.sh installs python3-fusepy")
    if not os.path.exists("/dev/fuse"):
        skip("there is no /dev/fuse")
    if os.geteuid() != 0 and not shutil.which("fusermount"):
        skip("not root, and no fusermount")


def main():
    args = parse_args()
    image = os.path.abspath(args.image or os.path.join(args.build, "zolt-cd.iso"))
    if not os.path.isfile(image):
        fail(2, f"{image} is missing (cmake --build BUILD --target disc-image)")
    for tool in ("xorriso", "Xvfb", "xdotool", "xwd"):
        if not shutil.which(tool):
            fail(2, f"{tool} is missing (scripts/install-deps.sh)")
    check_fuse()
    rate, access = DRIVES[args.drive]
    model = (args.rate * 1e6 if args.rate else rate, args.access / 1000 if args.access is not None else access)

    work = tempfile.mkdtemp(prefix="zolt-drive-bench.")
    display = None
    try:
        root = os.path.join(work, "files")
        extract(image, root)
        layout = read_layout(image)
        compressed = sum(1 for e in layout.values() if e.pointers is not None)
        if missing := unplaced(root, layout):
            print(f"startup_drive: {len(missing)} files have no place on the image and are read free, "
                  f"e.g. {missing[0]}", file=sys.stderr)
        print(f"image {image}: {os.path.getsize(image):,} bytes, {len(layout)} files, {compressed} zisofs")
        print(f"drive {args.drive}: {model[0] / 1e6:g} MB/s, {model[1] * 1000:g} ms per access, "
              f"{READ_AHEAD // 1024} KiB readahead")
        display = Xvfb()
        runs = []
        for number in range(1, args.runs + 1):
            run, marks, tab_clicks = measure(os.path.join(work, "disc"), root, layout, model,
                                             f":{display.number}", args)
            print_run(number, marks, tab_clicks)
            if run is None:
                return 1
            runs.append(run)
        figures = medians(runs)
        if args.runs > 1:
            print("medians: " + ", ".join(f"{k} {v:,}" for k, v in figures.items()))
        if args.json:
            with open(args.json, "w") as out:
                json.dump({**figures, "drive": args.drive, "rate_bytes_s": model[0], "access_s": model[1],
                           "runs": runs}, out, indent=2)
                out.write("\n")
    finally:
        if display:
            display.stop()
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
