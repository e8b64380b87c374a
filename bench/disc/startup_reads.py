#!/usr/bin/env python3
"""What starting from the disc costs: the size of what is shipped and of the
image, the bytes of the disc read until the main window is painted and until
the Home page is loaded, and the time to the painted window from the disc
root beside the build tree's program (system libraries) in the same run.

Bytes read: every file of the disc is evicted from the page cache
(posix_fadvise DONTNEED), the program started, and at each mark the resident
pages of the disc's files are counted (fincore). Readahead is included, as a
drive does it too; so that it is a drive's and not this machine's disk's
(often megabytes), the disc's files sit on a read-only loop device with a CD
drive's 128 KB readahead, whose own count of sectors read is reported too.
As root; elsewhere the files are read from a folder on the machine's disk.

Run by hand after `cmake --build build --target disc-image`:
    bench/disc/startup_reads.py --build build [--runs 5]
"""

import argparse
import json
import os
import shutil
import statistics
import struct
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../tests/disc-image"))
from clean_root_test import Xvfb  # noqa: E402

SEARCH_BUTTON = (546 + 20, 1 + 8)     # "  Ricerca  ", dark: painted once the window is
SEARCH_COLOUR = (92, 133, 160)
WEB_VIEW = (217 + 4, 60 + 40, 330, 320)
HOME_HEADER = (92, 133, 160)


def disc_files(disc):
    return [os.path.join(d, f) for d, _, files in os.walk(disc) for f in files]


def evict(files):
    for path in files:
        fd = os.open(path, os.O_RDONLY)
        try:
            os.fsync(fd) if os.access(path, os.W_OK) else None
            os.posix_fadvise(fd, 0, 0, os.POSIX_FADV_DONTNEED)
        finally:
            os.close(fd)


class Medium:
    """The disc's files on a read-only loop device with a CD drive's readahead."""

    def __init__(self, source, work):
        self.image = os.path.join(work, "medium.ext4")
        size = sum(os.path.getsize(f) for f in disc_files(source))
        with open(self.image, "wb") as out:
            out.truncate(size * 5 // 4 + (64 << 20))
        subprocess.run(["mkfs.ext4", "-q", "-d", source, self.image], check=True)
        self.device = subprocess.run(["losetup", "--find", "--show", "--read-only", self.image],
                                     capture_output=True, text=True, check=True).stdout.strip()
        subprocess.run(["blockdev", "--setra", "256", self.device], check=True)  # 128 KB
        self.mount = os.path.join(work, "medium")
        os.makedirs(self.mount)
        subprocess.run(["mount", "-o", "ro,noatime", self.device, self.mount], check=True)
        self.stat = f"/sys/block/{os.path.basename(self.device)}/stat"

    def sectors_read(self):
        with open(self.stat) as stat:
            return int(stat.read().split()[2])

    def close(self):
        subprocess.run(["umount", self.mount], check=False)
        subprocess.run(["losetup", "--detach", self.device], check=False)


def resident(files):
    out = subprocess.run(["fincore", "--bytes", "--json", "--output", "RES,FILE", *files],
                         capture_output=True, text=True, check=True).stdout
    return {row["file"]: int(row["res"]) for row in json.loads(out)["fincore"]}


class Window:
    """A window's pixels through xwd, read only where asked."""

    def __init__(self, display):
        self.env = dict(os.environ, DISPLAY=display)

    def find(self):
        out = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Zolt$"],
                             capture_output=True, text=True, env=self.env).stdout.split()
        return out[0] if out else None

    def grab(self, window):
        data = subprocess.run(["xwd", "-silent", "-id", window], capture_output=True, env=self.env).stdout
        if len(data) < 100:
            return None
        header = struct.unpack(">25I", data[:100])
        return data, header[0] + 12 * header[19], header[12], header[4], header[5]

    @staticmethod
    def pixel(grab, x, y):
        data, offset, stride, width, height = grab
        if x >= width or y >= height:
            return None
        i = offset + y * stride + 4 * x
        return data[i + 2], data[i + 1], data[i]

    def count(self, grab, box, colour):
        x0, y0, w, h = box
        return sum(1 for y in range(y0, y0 + h, 2) for x in range(x0, x0 + w, 2)
                   if self.pixel(grab, x, y) == colour)


def start(program, display, env_extra=None):
    env = {"DISPLAY": display, "HOME": os.environ.get("HOME", "/root"), "PATH": "/usr/bin:/bin",
           "LANG": "C.UTF-8", "LIBGL_ALWAYS_SOFTWARE": "1"}
    env.update(env_extra or {})
    return subprocess.Popen([program], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def run_once(program, display, files=None, timeout=60, medium=None):
    """Seconds to the painted window and to the Home page; resident bytes at
    each, and the medium's bytes read."""
    window = Window(display)
    read_before = medium.sectors_read() if medium else 0

    def note():
        return (time.monotonic() - began, resident(files) if files else None,
                (medium.sectors_read() - read_before) * 512 if medium else None)
    began = time.monotonic()
    process = start(program, display)
    marks = {}
    try:
        win = None
        while time.monotonic() - began < timeout:
            win = win or window.find()
            grab = window.grab(win) if win else None
            if grab and "painted" not in marks and window.pixel(grab, *SEARCH_BUTTON) == SEARCH_COLOUR:
                marks["painted"] = note()
            if grab and "painted" in marks and window.count(grab, WEB_VIEW, HOME_HEADER) > 75:
                marks["home"] = note()
                break
            time.sleep(0.02)
    finally:
        process.terminate()
        process.wait()
    return marks


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default="build")
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    image = os.path.join(build, "zolt-cd.iso")

    work = tempfile.mkdtemp(prefix="zolt-disc-bench.")
    try:
        disc = os.path.join(work, "disc")
        subprocess.run(["xorriso", "-osirrox", "on", "-indev", image, "-extract", "/", disc],
                       check=True, capture_output=True)
        medium = None
        if os.geteuid() == 0 and shutil.which("losetup") and shutil.which("mkfs.ext4"):
            medium = Medium(disc, work)
            disc = medium.mount
        files = disc_files(disc)
        shipped = sum(os.path.getsize(f) for f in files
                      if "/.zolt/" in f or f.endswith("/zolt") or f.endswith("/autorun.sh"))
        print(f"image: {os.path.getsize(image):,} bytes; shipped program and runtime: {shipped:,} bytes; "
              f"disc in all: {sum(os.path.getsize(f) for f in files):,} bytes")

        # The build tree's program on the same catalogue, with the system's libraries.
        tree = os.path.join(work, "tree")
        shutil.copytree(disc, tree, ignore=shutil.ignore_patterns(".zolt", "zolt"))
        shutil.copy2(os.path.join(build, "bin", "zolt"), os.path.join(tree, "zolt"))

        display = Xvfb()
        name = f":{display.number}"
        try:
            evict(files)
            cold = run_once(os.path.join(disc, "zolt"), name, files, medium=medium)
            for mark in ("painted", "home"):
                if mark not in cold:
                    print(f"the {mark} mark was not reached", file=sys.stderr)
                    return 1
                seconds, res, device_bytes = cold[mark]
                total = sum(res.values())
                largest = sorted(res.items(), key=lambda kv: -kv[1])[:8]
                device = f" ({device_bytes:,} bytes read from the device)" if medium else ""
                print(f"cold, to the {'painted window' if mark == 'painted' else 'Home page loaded'}: "
                      f"{seconds:.2f} s, {total:,} bytes of the disc's files resident{device}")
                for path, size in largest:
                    print(f"    {size:>12,}  {os.path.relpath(path, disc)}")
            times = {"disc": [], "tree": []}
            for _ in range(args.runs):  # alternating, warm cache
                for kind, program in (("disc", os.path.join(disc, "zolt")), ("tree", os.path.join(tree, "zolt"))):
                    marks = run_once(program, name)
                    if "painted" in marks:
                        times[kind].append(marks["painted"][0])
            for kind, values in times.items():
                if values:
                    print(f"warm, to the painted window, {kind:>4}: median {statistics.median(values):.2f} s "
                          f"(min {min(values):.2f}, max {max(values):.2f}, {len(values)} runs)")
        finally:
            display.stop()
            if medium:
                medium.close()
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
