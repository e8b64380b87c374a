#!/usr/bin/env python3
"""What the image writer refuses, each with its reason and no image left:
a check that finds errors, a missing disc root, a name too long for Joliet,
an image larger than allowed. A good disc is written with xorriso, and what
runs only on Linux is hidden from its Joliet names, and the files the
start-up opens come first, in its order.
Also what the disc assembly refuses: a catalogue with a name the runtime
takes at its root (argument: the cmake program)."""

import os
import subprocess
import sys
import tempfile

SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../scripts/make-disc-image.py")
ASSEMBLY = os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../cmake/DiscAssemble.cmake")


def write(path, text, mode=0o644):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as out:
        out.write(text)
    os.chmod(path, mode)


def main():
    failures = []
    with tempfile.TemporaryDirectory() as work:
        disc = os.path.join(work, "disc")
        write(os.path.join(disc, "Giochi_", "Labirinto_", "testo.txt"), "Un labirinto.\n")
        long_disc = os.path.join(work, "long")
        write(os.path.join(long_disc, "Giochi_", "x" * 65 + "_", "testo.txt"), "\n")
        check = os.path.join(work, "check")
        write(check, "#!/bin/sh\necho 'Giochi_/Labirinto_/img.jpg: not a JPEG picture'\nexit 1\n", 0o755)
        image = os.path.join(work, "out.iso")
        cases = [
            ("a check that finds errors", ["--disc", disc, "--check", check],
             1, "not a JPEG picture"),
            ("a disc root that does not exist", ["--disc", os.path.join(work, "none")],
             1, "no disc root"),
            ("a name longer than Joliet allows", ["--disc", long_disc],
             1, "Joliet allows 64"),
            ("an image larger than allowed", ["--disc", disc, "--limit", "1000"],
             1, "a CD holds 1,000"),
            ("no xorriso", ["--disc", disc, "--xorriso", "no-such-xorriso"],
             2, "install-deps.sh"),
        ]
        for what, args, status, said in cases:
            result = subprocess.run([sys.executable, SCRIPT, "--output", image, *args],
                                    capture_output=True, text=True)
            if result.returncode != status or said not in result.stderr or os.path.exists(image):
                failures.append(f"{what}: status {result.returncode}, said {result.stderr.strip()!r}")
        result = subprocess.run([sys.executable, SCRIPT, "--output", image, "--disc", disc],
                                capture_output=True, text=True)
        if result.returncode != 0 or not os.path.exists(image):
            failures.append(f"a good disc: status {result.returncode}, said {result.stderr.strip()!r}")
        # What runs only on Linux is hidden from a Windows reader (Joliet).
        for name in ("zolt", "autorun.sh", ".xdg-volume-info", ".zolt/lib/libx.so"):
            write(os.path.join(disc, name), "\n", 0o755)
        os.unlink(image)
        subprocess.run([sys.executable, SCRIPT, "--output", image, "--disc", disc], capture_output=True)
        joliet = subprocess.run(["xorriso", "-read_fs", "norock", "-indev", image, "-ls", "/"],
                                capture_output=True, text=True).stdout.split()
        if "'Giochi_'" not in joliet or any(f"'{n}'" in joliet for n in ("zolt", "autorun.sh", ".xdg-volume-info", ".zolt")):
            failures.append(f"the Joliet names of a disc with its runtime: {joliet}")
        # The start-up's order puts its files first, in that order, and ships with the runtime.
        write(os.path.join(disc, ".zolt/lib/libz.so"), "\n" * 5000)
        order = os.path.join(work, "order.txt")
        write(order, "# recorded\n.zolt/lib/libz.so\t0+1 3+1\nzolt\nnone\n../x\n# painted\nGiochi_/Labirinto_/testo.txt\n")
        os.unlink(image)
        subprocess.run([sys.executable, SCRIPT, "--output", image, "--disc", disc, "--order", order],
                       capture_output=True)
        report = subprocess.run(["xorriso", "-indev", image, "-find", "/", "-type", "f", "-exec", "report_lba", "--"],
                                capture_output=True, text=True).stdout
        placed = sorted((int(line.split(",")[1]), line.rsplit("'", 2)[1])
                        for line in report.splitlines() if line.startswith("File data lba:"))
        first = [path for _, path in placed[:4]]
        if first != ["/.zolt/lib/libz.so", "/.zolt/start-order.txt", "/zolt", "/Giochi_/Labirinto_/testo.txt"]:
            failures.append(f"the image laid out in the start-up's order: {placed}")
        cmake = sys.argv[1] if len(sys.argv) > 1 else "cmake"
        for taken in ("zolt", "AutoRun.sh", ".zolt", ".xdg-volume-info"):
            catalogue = os.path.join(work, "taken", taken)
            write(os.path.join(catalogue, "Giochi_", "testo.txt"), "\n")
            write(os.path.join(catalogue, taken), "\n")
            config = os.path.join(work, "taken", taken + ".cmake")
            write(config, f'set(CATALOGUE "{catalogue}")\nset(RUNTIME_FOLDER ".zolt")\n'
                          f'set(DISC_DIR "{os.path.join(work, "taken", "disc")}")\n')
            result = subprocess.run([cmake, f"-DCONFIG={config}", "-P", ASSEMBLY], capture_output=True, text=True)
            if result.returncode == 0 or f'"{taken}" at its root' not in " ".join(result.stderr.split()):
                failures.append(f"a catalogue with {taken}: status {result.returncode}, said {result.stderr.strip()!r}")
    for failure in failures:
        print(f"FAIL: {failure}", file=sys.stderr)
    print("PASS" if not failures else f"{len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
