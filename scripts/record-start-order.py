#!/usr/bin/env python3
"""Records the order in which a start-up of the assembled disc first opens the
disc's files, for the image to lay them out in that order.

The disc's program is started from its root under a private X server, cold
(every file of the disc evicted from the page cache), under strace; each file
of the disc opened or executed by the program or its helper processes is
listed once, at its first touch, until the Home page is drawn (or nothing new
has been opened for a while after the window was painted). A line "# painted"
falls where the main window was first painted. Paths are relative to the disc
root.

Exit status: 0 recorded (or, with --keep-going, the last recording kept or an
empty order written where recording is impossible here), 1 the start-up
could not be recorded, 2 bad arguments, 77 the tools are missing.
"""

import argparse
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
from startup_reads import HOME_HEADER, SEARCH_BUTTON, SEARCH_COLOUR, WEB_VIEW, Window, evict, disc_files  # noqa: E402
from clean_root_test import Xvfb, descendants  # noqa: E402  (startup_reads puts it on the path)

HEADER = """\
# The disc's files in the order a start-up first opened them, recorded by
# scripts/record-start-order.py from the program itself. The image lays its
# files out in this order; the program reads ahead, after its window is
# painted, the runtime files listed after "# painted".
"""
PAINTED = "# painted"
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


def record(disc, home):
    root = os.path.realpath(disc)
    evict(disc_files(root))
    work = tempfile.mkdtemp(prefix="zolt-start-order.")
    display = Xvfb()
    log = os.path.join(work, "trace")
    env = {"DISPLAY": f":{display.number}", "HOME": home or work, "PATH": "/usr/bin:/bin",
           "LANG": "C.UTF-8", "LIBGL_ALWAYS_SOFTWARE": "1"}
    process = subprocess.Popen(
        ["strace", "-f", "-qq", "-ttt", "-y", "-s", "4096", "-o", log,
         "-e", "trace=open,openat,openat2,execve", os.path.join(root, "zolt")],
        env=env, cwd=root, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    window = Window(f":{display.number}")
    painted = home_drawn = None
    began = time.monotonic()
    last_size, last_growth = 0, began
    try:
        win = None
        while time.monotonic() - began < TIMEOUT_S and process.poll() is None:
            now = time.monotonic()
            size = os.path.getsize(log) if os.path.exists(log) else 0
            if size != last_size:
                last_size, last_growth = size, now
            win = win or window.find()
            grab = window.grab(win) if win else None
            if grab and painted is None and window.pixel(grab, *SEARCH_BUTTON) == SEARCH_COLOUR:
                painted = time.time()
            if grab and painted and home_drawn is None and window.count(grab, WEB_VIEW, HOME_HEADER) > 75:
                home_drawn = now
            if painted and home_drawn and now - home_drawn > 2:
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
        return painted, first_touches(log, root)
    finally:
        shutil.rmtree(work, ignore_errors=True)


def write(output, painted, order):
    lines = [HEADER]
    marked = False
    for seconds, rel in order:
        if not marked and painted is not None and seconds > painted:
            lines.append(PAINTED + "\n")
            marked = True
        lines.append(rel + "\n")
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
    args = parser.parse_args()
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
    result = record(args.disc, None)
    if result is None:
        return give_up(1, "the program's window was not painted under the recording")
    painted, order = result
    write(args.output, painted, order)
    after = sum(1 for seconds, _ in order if seconds > painted)
    print(f"start-order: {len(order)} files of the disc opened, {len(order) - after} before the paint")
    return 0


if __name__ == "__main__":
    sys.exit(main())
