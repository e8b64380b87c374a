#!/usr/bin/env python3
"""The disc image on machines with nothing installed.

Clean roots of Debian 11, 12 and 13 (minbase and the desktop's base libraries
only), and a Debian 12 root with Debian's own Qt 6, get the files read back
from the image, read-only, at a mount point with blanks and accented letters.
The program is started there as an unprivileged user under bubblewrap
(Chromium's sandbox on) on a private X server, a different way in each root:

  Debian 11   /bin/sh autorun.sh from the disc root, autorun.sh not executable;
              its C library is older than the disc's, so the disc's own runs;
              again through the program file with an LD_PRELOAD of a library
              that needs a newer C library than the reader's
  Debian 12   a symbolic link on the desktop to the program file, HOME read-only
  Debian 13   the program file by its path, from another folder
  Debian 12   the program file, with LD_LIBRARY_PATH and QT_PLUGIN_PATH naming
  with Qt 6   Debian's own Qt

Checked in each: the window appears, the Home page is drawn, a tab fills the
tree, an item shows its picture and banner, nothing the shipped files link is
missing (ldd, on the loader the program runs on), every library mapped into
the program and its web helper processes comes from the disc or the base list,
Qt, ICU, libjpeg and libgsf only from the disc, the C library from the disc
exactly where the reader's is older, and GL working on the reader's driver.
Also: no X gives a message and a failing status (autorun.sh started by path
from another folder), a C library older than the floor and a disc mounted
noexec are explained in Italian.

Roots are kept in the cache folder between runs; a root that cannot be made
is skipped with a message. Exit status 77 (skipped) where none can be made.
"""

import argparse
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from screen import Screen  # noqa: E402

SKIP = 77
PACKAGES = "libx11-6,libxcb1,libfontconfig1,libgl1,libegl1,libglib2.0-0,libdbus-1-3,fonts-dejavu-core"
USER, UID = "lettore", 4242
DISC = f"/media/{USER}/ZOLT CD àè"
HOME = f"/home/{USER}"
PROGRAM = f"{DISC}/zolt"

# name, suite, what it is, packages beyond the base, whether the disc's C library runs there
ROOTS = [
    ("bullseye", "bullseye", "Debian 11", "", True),
    ("bookworm", "bookworm", "Debian 12", "", False),
    ("trixie", "trixie", "Debian 13", "", False),
    ("bookworm-qt6", "bookworm", "Debian 12 with Debian's Qt 6", "libqt6widgets6,libqt6webenginewidgets6", False),
]

# The window's regions, from the main window's fixed layout.
WEB_VIEW = (217 + 4, 60 + 40, 330, 320)
TREE = (0, 97, 217, 315)
PICTURE = (217 + 16, 60 + 48, 305, 313)
BANNER = (144, 426 + 3, 468, 60)
FIRST_TAB = (221 + 20, 43 + 8)
FIRST_ENTRY = (40, 97 + 10)
HOME_HEADER = (92, 133, 160)  # the Home page's table header
SHARED_LIBRARY = re.compile(r"\.so(\.[0-9]+)*$")  # not Chromium's ".org.chromium..." memory
DISC_ONLY = re.compile(r"^lib(Qt6|icu|jpeg|gsf)")  # never the reader's, whatever the reader has


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


def make_root(cache, name, suite, extra):
    """A clean root, made once and kept: its suite and packages are in its stamp.
    None, with a message, where it cannot be made."""
    root = os.path.join(cache, name)
    packages = PACKAGES + ("," + extra if extra else "")
    stamp_text = f"{suite} {packages}"
    stamp = root + ".packages"
    if os.path.isdir(root) and os.path.exists(stamp) and open(stamp).read() == stamp_text:
        return root
    if not shutil.which("mmdebstrap"):
        log(f"SKIP {name}: mmdebstrap is not installed (scripts/install-deps.sh installs it)")
        return None
    partial = root + ".partial"
    for old in (root, partial):
        shutil.rmtree(old, ignore_errors=True)
    os.makedirs(cache, exist_ok=True)
    log(f"Making a clean {suite} root in {root} (kept for later runs)")
    started = time.monotonic()
    result = subprocess.run(
        ["mmdebstrap", "--quiet", "--variant=minbase", f"--include={packages}",
         f"--customize-hook=chroot \"$1\" useradd -m -u {UID} {USER}", suite, partial],
        capture_output=True, text=True, timeout=1200)
    if result.returncode != 0:
        shutil.rmtree(partial, ignore_errors=True)
        log(f"SKIP {name}: mmdebstrap could not make the root (no {suite} in the package archive?): "
            + result.stderr.strip()[-400:])
        return None
    os.rename(partial, root)
    with open(stamp, "w") as out:
        out.write(stamp_text)
    log(f"  made in {time.monotonic() - started:.0f} s")
    return root


class Xvfb:
    """A private X server, ready when it says so (-displayfd), that does not
    reset when its last client leaves (as a desktop's, which always has one:
    the program's own check of the display would otherwise reset it under the
    toolkit's connection). Display numbers
    are tried at random from a high range until one is free: other runs on this
    machine take the low ones, some in namespaces of their own where their lock
    files cannot be seen but their abstract sockets still answer."""

    def __init__(self):
        for number in random.sample(range(300, 900), 20):
            if os.path.exists(f"/tmp/.X{number}-lock"):
                continue
            read_end, write_end = os.pipe()
            process = subprocess.Popen(
                ["Xvfb", f":{number}", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24",
                 "-nolisten", "tcp", "-noreset"],
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, pass_fds=(write_end,))
            os.close(write_end)
            with os.fdopen(read_end) as answer:
                ready = answer.readline().strip() == str(number)
            if ready:
                self.process, self.number = process, number
                self.socket = f"/tmp/.X11-unix/X{number}"
                return
            process.kill()
            process.wait()
        raise Failure("Xvfb did not start on any display number tried")

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


def mapped_libraries(pid):
    with open(f"/proc/{pid}/maps", "rb") as maps:
        fields = (line.rstrip(b"\n").split(None, 5) for line in maps)
        paths = {f[5].decode("utf-8", "replace") for f in fields if len(f) == 6}
    return {p for p in paths if SHARED_LIBRARY.search(os.path.basename(p))}


def check_maps(launcher, patterns, shipped, disc_c):
    """Every shared library mapped into the program and its helpers comes from
    the disc or the base list; Qt, ICU, libjpeg, libgsf only from the disc; the
    C library from the disc exactly where the disc's runs. A library the disc
    ships may still come from the reader's system where one of the reader's
    base libraries asked for it first (libbsd for libXdmcp): its name is given
    once, and the disc's copy serves a system without it."""
    problems, from_disc, programs, helpers, readers, drivers = [], set(), 0, 0, set(), set()
    for pid in descendants(launcher):
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as cmdline:
                args = cmdline.read().split(b"\0")
            libraries = mapped_libraries(pid)
        except OSError:
            continue
        if not any("libQt6Core" in path for path in libraries):
            continue  # bubblewrap, the shell
        helper = any(a.startswith(b"--type=") for a in args)
        helpers += helper
        programs += not helper
        name = f"{'helper' if helper else 'program'} {pid}"
        libc = [p for p in libraries if os.path.basename(p) == "libc.so.6"]
        if disc_c and not all(p.startswith(DISC + "/") for p in libc):
            problems.append(f"{name} runs on the reader's C library {libc}, older than the disc's")
        if not disc_c and any(p.startswith(DISC + "/") for p in libc):
            problems.append(f"{name} runs on the disc's C library where the reader's is as new")
        for path in libraries:
            base = os.path.basename(path)
            if re.match(r"lib(GLX|EGL)_[a-z]+\.so", base):
                drivers.add(base)
            if path.startswith(DISC + "/"):
                from_disc.add(path)
            elif DISC_ONLY.match(base):
                problems.append(f"{name} maps the reader's {path}")
            elif base.split(".so")[0] + ".so" in shipped:
                readers.add(base)
            elif not any(p.fullmatch(base) for p in patterns):
                problems.append(f"{name} maps {path}, neither on the disc nor in the base list")
    if not drivers:
        problems.append("no GL driver of the reader's was loaded")
    if programs != 1:
        problems.append(f"{programs} program processes were found, not one")
    if helpers == 0:
        problems.append("no web helper process was running")
    if len(from_disc) < 20:
        problems.append(f"only {len(from_disc)} libraries were mapped from the disc")
    if readers:
        log(f"  the reader's own copy of what the disc also ships: {', '.join(sorted(readers))}")
    return problems[:10], len(from_disc), programs + helpers


def check_ldd(run, disc, disc_c):
    """Every library of every shipped ELF file is found, on the loader the
    program runs on in this root."""
    elves = []
    for folder, _, files in os.walk(disc):
        for name in files:
            path = os.path.join(folder, name)
            with open(path, "rb") as f:
                if f.read(4) == b"\x7fELF":
                    elves.append(DISC + "/" + os.path.relpath(path, disc))
    if disc_c:
        runtime = f"{DISC}/.zolt/lib"
        list_one = f'"{runtime}/glibc/ld-linux-x86-64.so.2" --list --library-path "{runtime}/glibc:{runtime}/gcc" "$f"'
    else:
        list_one = 'ldd "$f"'
    script = f'for f in "$@"; do {list_one} 2>&1 | sed "s|^|$f: |"; done'
    out = run(["/bin/sh", "-c", script, "sh", *elves]).stdout
    missing = [line for line in out.splitlines() if "not found" in line]
    return missing, len(elves)


def exercise_window(screen, shots_dir, label, alive, started):
    """The window, the Home page, a tab, an item: the first failure raises.
    The seconds from the start to the window and to the drawn Home page."""
    window = screen.find_window("^Zolt$", 60, alive, interval=0.02)
    if not window:
        raise Failure("the main window did not appear")
    shown_at = time.monotonic() - started
    shot, drawn = screen.wait_for(
        window, lambda s: s.count(WEB_VIEW, lambda px: px == HOME_HEADER) > 300, 60, interval=0.05)
    drawn_at = time.monotonic() - started
    shot.save_png(os.path.join(shots_dir, f"{label}-home.png"))
    if not drawn:
        raise Failure("the Home page was not drawn in the web view")
    log(f"  the window appeared after {shown_at:.2f} s, the Home page was drawn after {drawn_at:.2f} s")
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
    return shown_at, drawn_at


class Run:
    """Programs started in a root as the unprivileged user: under bubblewrap,
    or (for a noexec disc, which needs a mount option) in a plain chroot."""

    def __init__(self, root, disc, display, home, tmp, home_read_only=False):
        self.root, self.disc, self.display = root, disc, display
        self.home, self.tmp, self.home_read_only = home, tmp, home_read_only

    def env(self, extra):
        # A reader's setting for a platform the disc has no plugin for is ignored.
        env = {"HOME": HOME, "PATH": "/usr/bin:/bin", "LANG": "C.UTF-8", "USER": USER,
               "QT_QPA_PLATFORM": "wayland"}
        if self.display:
            env["DISPLAY"] = f":{self.display.number}"
        env.update(extra)
        return env

    def command(self, argv, cwd=HOME, extra=None):
        command = ["setpriv", f"--reuid={UID}", f"--regid={UID}", "--clear-groups", "--",
                   "bwrap", "--ro-bind", self.root, "/", "--ro-bind", self.disc, DISC,
                   "--proc", "/proc", "--dev", "/dev", "--tmpfs", "/dev/shm",
                   "--bind", self.tmp, "/tmp",
                   "--ro-bind" if self.home_read_only else "--bind", self.home, HOME]
        if self.display:
            command += ["--ro-bind", self.display.socket, self.display.socket]
        command += ["--die-with-parent", "--clearenv"]
        for key, value in self.env(extra or {}).items():
            command += ["--setenv", key, value]
        return command + ["--chdir", cwd, "--", *argv]

    def run(self, argv, cwd=HOME, extra=None):
        return subprocess.run(self.command(argv, cwd, extra), capture_output=True, text=True, timeout=120)

    def start(self, argv, cwd=HOME, extra=None):
        return subprocess.Popen(self.command(argv, cwd, extra), stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, text=True, start_new_session=True)

    def chroot(self, argv, cwd, mount_options):
        """A plain chroot in a mount namespace of its own, the disc mounted with `mount_options`."""
        target = self.root + DISC
        mounts = (f'mount --bind "{self.disc}" "{target}" && '
                  f'mount -o remount,bind,{mount_options} "{target}" && '
                  f'mount -t proc proc "{self.root}/proc" && '
                  f'mount --bind "{self.tmp}" "{self.root}/tmp" && '
                  f'mount --bind "{self.home}" "{self.root}{HOME}" && exec "$@"')
        env = [f"{k}={v}" for k, v in self.env({}).items()]
        command = ["unshare", "--mount", "--propagation", "private", "sh", "-c", mounts, "sh",
                   "chroot", f"--userspec={UID}:{UID}", self.root, "env", "-i", *env,
                   "sh", "-c", 'cd "$0" && exec "$@"', cwd, *argv]
        return subprocess.run(command, capture_output=True, text=True, timeout=120)


def stop(process):
    if process.poll() is None:
        os.killpg(process.pid, signal.SIGTERM)
        try:
            process.wait(10)
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, signal.SIGKILL)
            process.wait()
    return process.communicate()


def fresh_dirs(work, label):
    home = os.path.join(work, f"{label}-home")
    tmp = os.path.join(work, f"{label}-tmp")
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


def session(label, root, disc, work, patterns, disc_c, argv, cwd=HOME, extra=None,
            home_read_only=False, desktop_link=False, full=True):
    """The program started one way in one root, looked at and its processes'
    libraries checked. The seconds to the window and to the Home page."""
    display = Xvfb()
    try:
        home, tmp = fresh_dirs(work, label)
        if desktop_link:
            os.makedirs(os.path.join(home, "Scrivania"))
            os.symlink(PROGRAM, os.path.join(home, "Scrivania", "Zolt CD"))
            os.lchown(os.path.join(home, "Scrivania", "Zolt CD"), UID, UID)
        run = Run(root, disc, display, home, tmp, home_read_only)
        log(f"{label}: {' '.join(argv)} in {cwd} as {USER} on :{display.number}"
            + (f", with {extra}" if extra else "") + (", HOME read-only" if home_read_only else ""))
        started = time.monotonic()
        process = run.start(argv, cwd, extra)
        said = []

        def stopped():
            if not said:
                said.append(stop(process)[1])
            return said[0]
        times = None
        try:
            screen = Screen(f":{display.number}")

            def alive():
                return process.poll() is None
            if full:
                times = exercise_window(screen, work, label, alive, started)
            elif not screen.find_window("^Zolt$", 60, alive):
                raise Failure("the main window did not appear")
            else:
                log("  the window appeared")
            time.sleep(1)
            shipped = {n.split(".so")[0] + ".so" for n in os.listdir(os.path.join(disc, ".zolt", "lib"))}
            problems, count, processes = check_maps(process.pid, patterns, shipped, disc_c)
            if problems:
                raise Failure("; ".join(problems))
            log(f"  every mapped library is the disc's ({count} files) or the base's, in {processes} "
                f"processes; the C library is the {'disc' if disc_c else 'reader'}'s; GL runs on the reader's driver")
        except Failure as failure:
            raise Failure(f"{label}: {failure}; the program said: {stopped().strip()[-1500:]}") from None
        finally:
            err = stopped()
        sandbox_lines = [line for line in err.splitlines() if "sandbox" in line.lower() and line.startswith("zolt:")]
        gl_failures = [line for line in err.splitlines()
                       if "Unrecognized OpenGL version" in line or "Failed to Initialize GL" in line]
        if gl_failures:
            raise Failure(f"{label}: GL did not work with the reader's driver: {gl_failures[0]}")
        if sandbox_lines:
            raise Failure(f"{label}: the sandbox was turned off under bubblewrap: {sandbox_lines[0]}")
        distinct = list(dict.fromkeys(re.sub(r"^\[[0-9:/.]+", "[", line) for line in err.splitlines()))
        log(f"  standard error: {len(err.splitlines())} lines" + "".join(f"\n    {line}" for line in distinct[:6]))
        log(f"  written in the home folder: {written_files(home) or 'nothing'}; "
            f"in /tmp: {written_files(tmp) or 'nothing'}")
        if full:
            missing, elves = check_ldd(run.run, disc, disc_c)
            if missing:
                raise Failure(f"{label}: ldd finds libraries missing: " + "; ".join(missing[:10]))
            log(f"  ldd finds every library of the {elves} ELF files on the disc")
        return times
    finally:
        display.stop()


def refusals(root, disc, work):
    """No X, a C library older than the floor, a noexec disc: each explained, each failing."""
    home, tmp = fresh_dirs(work, "refusals")
    run = Run(root, disc, None, home, tmp)
    result = run.run(["sh", f"{DISC}/autorun.sh"], cwd="/tmp")
    if result.returncode == 0 or "impossibile aprire una finestra" not in result.stderr:
        raise Failure(f"without X: status {result.returncode}, said {result.stderr.strip()!r}")
    log(f"no X (sh {DISC}/autorun.sh from /tmp): status {result.returncode}, "
        f"'{result.stderr.strip().splitlines()[-1]}'")

    fake = os.path.join(tmp, "finto")
    os.makedirs(fake)
    with open(os.path.join(fake, "getconf"), "w") as out:
        out.write("#!/bin/sh\necho 'glibc 2.27'\n")
    os.chmod(os.path.join(fake, "getconf"), 0o755)
    result = run.run(["/bin/sh", "autorun.sh"], cwd=DISC, extra={"PATH": "/tmp/finto:/usr/bin:/bin"})
    if result.returncode != 1 or "richiede" not in result.stderr or "2.28" not in result.stderr:
        raise Failure(f"a C library 2.27: status {result.returncode}, said {result.stderr.strip()!r}")
    log(f"C library 2.27: status 1, '{result.stderr.strip().splitlines()[0]}'")

    result = run.chroot(["/bin/sh", "autorun.sh"], DISC, "ro,noexec")
    if result.returncode != 126 or "noexec" not in result.stderr:
        raise Failure(f"a noexec disc: status {result.returncode}, said {result.stderr.strip()!r}")
    log(f"noexec: status 126, '{result.stderr.strip().splitlines()[0]}'")


def check_root_files(disc):
    """The program file at the root asks the C library for nothing newer than
    the floor; the volume has its name and icon."""
    symbols = subprocess.run(["objdump", "-T", os.path.join(disc, "zolt")], capture_output=True, text=True)
    versions = {tuple(map(int, v.split("."))) for v in re.findall(r"GLIBC_([0-9]+\.[0-9]+)", symbols.stdout)}
    if any(v > (2, 28) for v in versions):
        raise Failure(f"the program file at the root asks for GLIBC_{max(versions)}")
    log(f"the program file at the root asks the C library for {max(versions) if versions else 'nothing'}")
    with open(os.path.join(disc, ".xdg-volume-info")) as info:
        fields = dict(line.strip().split("=", 1) for line in info if "=" in line)
    icon = os.path.join(disc, fields.get("IconFile", "-"))
    if fields.get("Name") != "Zolt CD" or not os.path.isfile(icon) or open(icon, "rb").read(4) != b"\x89PNG":
        raise Failure(f".xdg-volume-info names {fields}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--image", required=True)
    parser.add_argument("--cache", required=True, help="where the clean roots are kept")
    parser.add_argument("--base-list", required=True)
    parser.add_argument("--disc", help="an assembled disc root to use instead of the image's files")
    parser.add_argument("--only", help="run only the roots named, separated by commas")
    args = parser.parse_args()

    if not args.disc and not os.path.exists(args.image):
        skip(f"{args.image} is missing: build the disc-image target first (./dev test does)")
    for tool in ("xorriso", "Xvfb", "xdotool", "xwd", "setpriv", "unshare", "bwrap"):
        if not shutil.which(tool):
            skip(f"{tool} is not installed (scripts/install-deps.sh installs it)")
    if os.geteuid() != 0:
        skip("the clean-root test runs as root (it makes roots, mounts and switches users)")
    wanted = args.only.split(",") if args.only else [r[0] for r in ROOTS]
    roots = {}
    for name, suite, what, extra, disc_c in ROOTS:
        if name in wanted:
            root = make_root(args.cache, name, suite, extra)
            if root:
                os.makedirs(root + DISC, exist_ok=True)
                roots[name] = (root, what, disc_c)
    if not roots:
        skip("no clean root could be made")
    if not bwrap_works(next(iter(roots.values()))[0]):
        skip("bubblewrap cannot run here (no user namespaces for an unprivileged user)")

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
    check_root_files(disc)
    # As a desktop's autorun prompt finds it: not necessarily executable.
    os.chmod(os.path.join(disc, "autorun.sh"), 0o444)
    patterns = base_patterns(args.base_list)

    times = {}
    for name, (root, what, disc_c) in roots.items():
        log(f"== {what} ({name})")
        if name == "bullseye":
            times[what] = session(name, root, disc, work, patterns, disc_c, ["/bin/sh", "autorun.sh"], cwd=DISC)
            # A library the reader's C library cannot load, preloaded: kept from the program.
            session(f"{name}-preload", root, disc, work, patterns, disc_c, [PROGRAM], full=False,
                    extra={"LD_PRELOAD": f"{DISC}/.zolt/lib/libgsf-1.so.114"})
        elif name == "bookworm":
            times[what] = session(name, root, disc, work, patterns, disc_c, [f"{HOME}/Scrivania/Zolt CD"],
                                  home_read_only=True, desktop_link=True)
            refusals(root, disc, work)
        elif name == "trixie":
            times[what] = session(name, root, disc, work, patterns, disc_c, [PROGRAM], cwd="/tmp")
        else:
            qt = "/usr/lib/x86_64-linux-gnu"
            times[what] = session(name, root, disc, work, patterns, disc_c, [PROGRAM],
                                  extra={"LD_LIBRARY_PATH": qt, "QT_PLUGIN_PATH": f"{qt}/qt6/plugins"})
    for what, (shown, drawn) in times.items():
        log(f"time in {what}: window {shown:.2f} s, Home page {drawn:.2f} s")
    log("PASS")


if __name__ == "__main__":
    try:
        main()
    except Failure as failure:
        print(f"FAIL: {failure}", file=sys.stderr)
        sys.exit(1)
