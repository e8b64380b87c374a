#!/usr/bin/env python3
"""The disc image on a machine with nothing installed.

A clean Debian 12 root (minbase and the desktop's base libraries only) gets
the files read back from the image, read-only, and the program is started
there from autorun.sh as an unprivileged user on a private X server: under
bubblewrap, where Chromium's sandbox can start, and in a plain chroot, where
it cannot. Checked: the window appears, the Home page is drawn, a tab fills
the tree, an item shows its picture and banner, nothing the shipped files
link is missing, and every library mapped into the program and its web
helper processes comes from the disc or from the base list. Also: no X gives
a message and a failing status, a disc mounted noexec is explained.

Exit status 77 (skipped) where the machine cannot make the root.
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

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from screen import Screen  # noqa: E402

SKIP = 77
PACKAGES = "libx11-6,libxcb1,libfontconfig1,libgl1,libegl1,libglib2.0-0,libdbus-1-3,fonts-dejavu-core"
USER, UID = "lettore", 4242
DISC = "/media/cdrom"
HOME = f"/home/{USER}"

# The window's regions, from the main window's fixed layout.
WEB_VIEW = (217 + 4, 60 + 40, 330, 320)
TREE = (0, 97, 217, 315)
PICTURE = (217 + 16, 60 + 48, 305, 313)
BANNER = (144, 426 + 3, 468, 60)
FIRST_TAB = (221 + 20, 43 + 8)
FIRST_ENTRY = (40, 97 + 10)
HOME_HEADER = (92, 133, 160)  # the Home page's table header
SHARED_LIBRARY = re.compile(r"\.so(\.[0-9]+)*$")  # not Chromium's ".org.chromium..." memory


class Failure(Exception):
    pass


def log(text):
    print(text, flush=True)


def skip(reason):
    log(f"SKIP: {reason}")
    sys.exit(SKIP)


def base_patterns(path):
    patterns = []
    with open(path) as lines:
        for line in lines:
            if line.strip() and not line.startswith("#"):
                patterns.append(re.compile(line.split()[0] + r"(\.[0-9]+)*"))
    return patterns


def make_root(cache):
    """The clean root, made once and kept: its packages are in its stamp."""
    root = os.path.join(cache, "bookworm")
    stamp = os.path.join(cache, "bookworm.packages")
    if os.path.isdir(root) and os.path.exists(stamp) and open(stamp).read() == PACKAGES:
        return root
    if os.geteuid() != 0:
        skip("making a clean root needs root (mmdebstrap's chroot mode)")
    if not shutil.which("mmdebstrap"):
        skip("mmdebstrap is not installed (scripts/install-deps.sh installs it)")
    partial = root + ".partial"
    for old in (root, partial):
        shutil.rmtree(old, ignore_errors=True)
    os.makedirs(cache, exist_ok=True)
    log(f"Making a clean Debian 12 root in {root} (kept for later runs)")
    started = time.monotonic()
    result = subprocess.run(
        ["mmdebstrap", "--quiet", "--variant=minbase", f"--include={PACKAGES}",
         f"--customize-hook=chroot \"$1\" useradd -m -u {UID} {USER}",
         f"--customize-hook=mkdir -p \"$1{DISC}\"",
         "bookworm", partial],
        capture_output=True, text=True, timeout=900)
    if result.returncode != 0:
        shutil.rmtree(partial, ignore_errors=True)
        skip("mmdebstrap could not make the root (no network to the package archive?): "
             + result.stderr.strip()[-400:])
    os.rename(partial, root)
    with open(stamp, "w") as out:
        out.write(PACKAGES)
    log(f"  made in {time.monotonic() - started:.0f} s")
    return root


def free_display():
    for n in range(140, 200):
        if not os.path.exists(f"/tmp/.X{n}-lock") and not os.path.exists(f"/tmp/.X11-unix/X{n}"):
            return n
    raise Failure("no free X display number")


class Xvfb:
    def __init__(self):
        self.number = free_display()
        self.process = subprocess.Popen(
            ["Xvfb", f":{self.number}", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.socket = f"/tmp/.X11-unix/X{self.number}"
        deadline = time.monotonic() + 10
        while not os.path.exists(self.socket):
            if time.monotonic() > deadline or self.process.poll() is not None:
                raise Failure("Xvfb did not start")
            time.sleep(0.05)

    def stop(self):
        self.process.terminate()
        self.process.wait()


def descendants(pid):
    children = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open(f"/proc/{entry}/stat") as stat:
                    ppid = int(stat.read().rsplit(")", 1)[1].split()[1])
                children.setdefault(ppid, []).append(int(entry))
            except (OSError, IndexError, ValueError):
                pass
    found, todo = [], [pid]
    while todo:
        for child in children.get(todo.pop(), []):
            found.append(child)
            todo.append(child)
    return found


def program_processes(launcher):
    """The program and its web helpers among the launcher's descendants."""
    found = {}
    for pid in descendants(launcher):
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as cmdline:
                name = os.path.basename(cmdline.read().split(b"\0")[0]).decode()
        except OSError:
            continue
        if name in ("zolt", "QtWebEngineProcess"):
            found[pid] = name
    return found


def check_maps(processes, patterns, disc_paths):
    """Every shared library mapped comes from the disc or the base list. The
    disc's path is seen as the program sees it, or through the chroot."""
    problems, from_disc = [], set()
    helpers = 0
    for pid, name in processes.items():
        try:
            with open(f"/proc/{pid}/maps") as maps:
                paths = {line.split(None, 5)[5].strip() for line in maps if len(line.split(None, 5)) == 6}
        except OSError:
            continue
        helpers += name == "QtWebEngineProcess"
        for path in paths:
            if not SHARED_LIBRARY.search(os.path.basename(path)):
                continue
            if any(path.startswith(disc + "/") for disc in disc_paths):
                from_disc.add(path)
            elif not any(p.fullmatch(os.path.basename(path)) for p in patterns):
                problems.append(f"{name} ({pid}) maps {path}, neither on the disc nor in the base list")
    if helpers == 0:
        problems.append("no web helper process was running")
    if len(from_disc) < 20:
        problems.append(f"only {len(from_disc)} libraries were mapped from the disc")
    return problems[:10], len(from_disc)


def check_ldd(run, disc):
    """ldd inside the root finds every library of every shipped ELF file."""
    elves = []
    for folder, _, files in os.walk(disc):
        for name in files:
            path = os.path.join(folder, name)
            with open(path, "rb") as f:
                if f.read(4) == b"\x7fELF":
                    elves.append(DISC + "/" + os.path.relpath(path, disc))
    script = 'for f in "$@"; do ldd "$f" | sed "s|^|$f: |"; done'
    out = run(["/bin/sh", "-c", script, "sh", *elves], capture=True)
    missing = [line for line in out.splitlines() if "not found" in line]
    return missing, len(elves)


def exercise_window(screen, shots_dir, label, alive):
    """The window, the Home page, a tab, an item: the first failure raises."""
    window = screen.find_window("^Zolt$", 60, alive)
    if not window:
        raise Failure("the main window did not appear")
    log("  the window appeared")
    shot, drawn = screen.wait_for(
        window, lambda s: s.count(WEB_VIEW, lambda px: px == HOME_HEADER) > 300, 60)
    shot.save_png(os.path.join(shots_dir, f"{label}-home.png"))
    if not drawn:
        raise Failure("the Home page was not drawn in the web view")
    log("  the Home page is drawn")
    x, y = screen.origin(window)
    screen.click(x + FIRST_TAB[0], y + FIRST_TAB[1])

    def dark(px):
        return sum(px) < 300
    shot, filled = screen.wait_for(window, lambda s: s.count(TREE, dark) > 50, 20)
    if not filled:
        shot.save_png(os.path.join(shots_dir, f"{label}-tab.png"))
        raise Failure("a tab click did not fill the tree")
    log("  a tab click filled the tree")
    screen.click(x + FIRST_ENTRY[0], y + FIRST_ENTRY[1])
    shot, shown = screen.wait_for(
        window, lambda s: len(s.colours(PICTURE)) > 200 and len(s.colours(BANNER)) > 20, 20)
    shot.save_png(os.path.join(shots_dir, f"{label}-item.png"))
    if not shown:
        raise Failure("an item click did not show its picture and banner")
    log("  an item shows its picture and banner")


class Run:
    """One way of starting programs in the root: bubblewrap or chroot."""

    def __init__(self, kind, root, disc, display, home, tmp, noexec=False):
        self.kind, self.root, self.disc, self.display = kind, root, disc, display
        self.home, self.tmp, self.noexec = home, tmp, noexec

    def env(self, display=True):
        # A reader's setting for a platform the disc has no plugin for is ignored.
        env = {"HOME": HOME, "PATH": "/usr/bin:/bin", "LANG": "C.UTF-8", "USER": USER,
               "QT_QPA_PLATFORM": "wayland", "QT_PLUGIN_PATH": f"{HOME}/plugins"}
        if display:
            env["DISPLAY"] = f":{self.display.number}"
        return env

    def command(self, argv, display=True):
        env = self.env(display)
        if self.kind == "bwrap":
            command = ["setpriv", f"--reuid={UID}", f"--regid={UID}", "--clear-groups", "--",
                       "bwrap", "--ro-bind", self.root, "/", "--ro-bind", self.disc, DISC,
                       "--proc", "/proc", "--dev", "/dev", "--tmpfs", "/dev/shm",
                       "--bind", self.tmp, "/tmp", "--bind", self.home, HOME,
                       "--ro-bind", self.display.socket, self.display.socket,
                       "--die-with-parent", "--clearenv"]
            for key, value in env.items():
                command += ["--setenv", key, value]
            return command + ["--chdir", HOME, "--", *argv]
        # A plain chroot in a mount namespace of its own, the disc read-only.
        options = "ro,noexec" if self.noexec else "ro"
        mounts = (f'mount --bind "{self.disc}" "{self.root}{DISC}" && '
                  f'mount -o remount,bind,{options} "{self.root}{DISC}" && '
                  f'mount -t proc proc "{self.root}/proc" && '
                  f'mount --bind /dev "{self.root}/dev" && '
                  f'mount -t tmpfs -o mode=1777 tmpfs "{self.root}/dev/shm" && '
                  f'mount --bind "{self.tmp}" "{self.root}/tmp" && '
                  f'mount --bind "{self.home}" "{self.root}{HOME}" && '
                  f'mkdir -p "{self.root}/tmp/.X11-unix" && '
                  f'touch "{self.root}{self.display.socket}" && '
                  f'mount --bind "{self.display.socket}" "{self.root}{self.display.socket}" && '
                  'exec "$@"')
        return ["unshare", "--mount", "--propagation", "private", "sh", "-c", mounts, "sh",
                "chroot", f"--userspec={UID}:{UID}", self.root, "env", "-i",
                *[f"{k}={v}" for k, v in env.items()], *argv]

    def run(self, argv, capture=False, display=True):
        result = subprocess.run(self.command(argv, display), capture_output=True, text=True, timeout=120)
        if capture:
            return result.stdout + result.stderr
        return result

    def start(self, argv):
        return subprocess.Popen(self.command(argv), stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                text=True, start_new_session=True)


def stop(process):
    if process.poll() is None:
        os.killpg(process.pid, signal.SIGTERM)
        try:
            process.wait(10)
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, signal.SIGKILL)
            process.wait()
    return process.communicate()


def fresh_dirs(work, kind):
    home = os.path.join(work, f"{kind}-home")
    tmp = os.path.join(work, f"{kind}-tmp")
    for folder in (home, tmp):
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        os.chown(folder, UID, UID)
    os.chmod(tmp, 0o1777)
    return home, tmp


def written_files(folder):
    """What was written below `folder`, as its first two levels with file counts."""
    counts = {}
    for d, _, files in os.walk(folder):
        if files:
            top = "/".join(os.path.relpath(d, folder).split("/")[:2])
            counts[top] = counts.get(top, 0) + len(files)
    return [f"{name}/ ({count} files)" for name, count in sorted(counts.items())]


def bwrap_works(root):
    command = ["setpriv", f"--reuid={UID}", f"--regid={UID}", "--clear-groups", "--",
               "bwrap", "--ro-bind", root, "/", "--proc", "/proc", "--dev", "/dev", "--", "/bin/true"]
    return subprocess.run(command, capture_output=True).returncode == 0


def session(kind, root, disc, work, patterns, full):
    display = Xvfb()
    try:
        home, tmp = fresh_dirs(work, kind)
        run = Run(kind, root, disc, display, home, tmp)
        log(f"{kind}: starting {DISC}/autorun.sh as {USER} on :{display.number}")
        process = run.start([f"{DISC}/autorun.sh"])
        said = []

        def stopped():
            if not said:
                said.append(stop(process)[1])
            return said[0]
        try:
            screen = Screen(f":{display.number}")

            def alive():
                return process.poll() is None
            if full:
                exercise_window(screen, work, kind, alive)
            else:
                if not screen.find_window("^Zolt$", 60, alive):
                    raise Failure("the main window did not appear")
                log("  the window appeared")
            time.sleep(1)
            processes = program_processes(process.pid)
            problems, count = check_maps(processes, patterns, (DISC, os.path.abspath(root) + DISC))
            if problems:
                raise Failure("; ".join(problems))
            log(f"  every mapped library is the disc's ({count} files) or the base's,"
                f" in {len(processes)} processes")
        except Failure as failure:
            raise Failure(f"{failure}; the program said: {stopped().strip()[-1500:]}") from None
        finally:
            err = stopped()
        sandbox_lines = [line for line in err.splitlines() if "sandbox" in line.lower() and line.startswith("zolt:")]
        log(f"  standard error said about the sandbox: {sandbox_lines or 'nothing (it is on)'}")
        if kind == "bwrap" and sandbox_lines:
            raise Failure("the sandbox was turned off under bubblewrap: " + sandbox_lines[0])
        if kind == "chroot" and len(sandbox_lines) != 1:
            raise Failure(f"a chroot should turn the sandbox off with one line, got {sandbox_lines}")
        log(f"  written in the home folder: {written_files(home) or 'nothing'}")
        log(f"  written in /tmp: {written_files(tmp) or 'nothing'}")

        missing, elves = check_ldd(run.run, disc)
        if missing:
            raise Failure("ldd finds libraries missing: " + "; ".join(missing[:10]))
        log(f"  ldd finds every library of the {elves} ELF files on the disc")

        result = run.run([f"{DISC}/autorun.sh"], display=False)
        if result.returncode == 0 or "cannot open a window" not in result.stderr:
            raise Failure(f"without X: status {result.returncode}, said {result.stderr.strip()!r}")
        log(f"  without X: status {result.returncode}, '{result.stderr.strip().splitlines()[-1]}'")
    finally:
        display.stop()


def noexec_session(root, disc, work):
    display = Xvfb()
    try:
        run = Run("chroot", root, disc, display, *fresh_dirs(work, "noexec"), noexec=True)
        result = run.run(["/bin/sh", f"{DISC}/autorun.sh"])
        if result.returncode != 126 or "noexec" not in result.stderr:
            raise Failure(f"a noexec disc: status {result.returncode}, said {result.stderr.strip()!r}")
        log(f"noexec: status 126, '{result.stderr.strip().splitlines()[0]}'")
    finally:
        display.stop()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--image", required=True)
    parser.add_argument("--cache", required=True, help="where the clean root is kept")
    parser.add_argument("--base-list", required=True)
    parser.add_argument("--disc", help="an assembled disc root to use instead of the image's files")
    args = parser.parse_args()

    if not args.disc and not os.path.exists(args.image):
        skip(f"{args.image} is missing: build the disc-image target first (./dev test does)")
    for tool in ("xorriso", "Xvfb", "xdotool", "xwd", "setpriv", "unshare"):
        if not shutil.which(tool):
            skip(f"{tool} is not installed (scripts/install-deps.sh installs it)")
    if os.geteuid() != 0:
        skip("the clean-root test runs as root (it mounts and switches users)")
    root = make_root(args.cache)
    work = os.path.join(args.cache, "run")
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    disc = os.path.join(work, "disc")
    if args.disc:
        shutil.copytree(args.disc, disc, symlinks=True)
        log(f"Copied {args.disc} into {disc}")
    else:
        subprocess.run(["xorriso", "-osirrox", "on", "-indev", args.image, "-extract", "/", disc],
                       check=True, capture_output=True)
        log(f"Read back {args.image} into {disc}")
    patterns = base_patterns(args.base_list)

    sandboxed = bwrap_works(root)
    if sandboxed:
        session("bwrap", root, disc, work, patterns, full=True)
    else:
        log("bwrap cannot run here (no user namespaces for an unprivileged user): "
            "the sandboxed path is not exercised")
    session("chroot", root, disc, work, patterns, full=not sandboxed)
    noexec_session(root, disc, work)
    log("PASS")


if __name__ == "__main__":
    try:
        main()
    except Failure as failure:
        print(f"FAIL: {failure}", file=sys.stderr)
        sys.exit(1)
