#!/usr/bin/env python3
"""Writes an assembled disc root to an ISO 9660 image for a CD.

Rock Ridge keeps the exact names and the execute bits a Linux reader needs;
Joliet gives a Windows reader the catalogue's names (the launcher, autorun.sh,
the volume's description and the runtime folder are hidden from it: nothing
there is for Windows). The runtime folder and the launcher are compressed with
zisofs file by file where that saves space; the Linux kernel reads them
transparently. The catalogue stays plain.

Exit status: 0 the image is written, 1 the disc or its catalogue is refused,
2 the tools are missing or failed.
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile

CD_BYTES = 737_280_000  # 80 minutes: 360,000 sectors of 2,048 bytes
JOLIET_NAME_UNITS = 64  # UTF-16 code units a Joliet name may have


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
    fd, partial = tempfile.mkstemp(prefix=".zolt-cd.", suffix=".iso", dir=out_dir)
    os.close(fd)
    os.unlink(partial)  # xorriso writes a new file
    root_entries = set(os.listdir(disc))
    hide = ["/" + name for name in sorted(hidden) if name in root_entries]
    command = [
        xorriso, "-report_about", "WARNING", "-abort_on", "FAILURE",
        "-charset", "UTF-8", "-local_charset", "UTF-8",
        "-outdev", "stdio:" + partial,
        "-volid", args.volume, "-joliet", "on", "-rockridge", "on",
        "-map", disc, "/",
        # As a published disc has them: owned by root, readable by all, writable by none.
        "-chown_r", "0", "/", "--", "-chgrp_r", "0", "/", "--",
        "-chmod_r", "a+r,a-w", "/", "--",
        "-find", "/", "-type", "d", "-exec", "chmod", "a+x", "--",
    ]
    if hide:
        command += ["-hide", "joliet", *hide, "--"]
    if args.runtime_folder in root_entries:
        command += ["-zisofs", "level=6:block_size=128k",
                    "-find", "/" + args.runtime_folder, "-type", "f",
                    "-exec", "set_filter", "--zisofs", "--"]
        if "zolt" in root_entries:
            command += ["-set_filter", "--zisofs", "/zolt", "--"]
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
