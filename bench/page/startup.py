#!/usr/bin/env python3
"""Process start to main window painted, measured from outside the program.

Starts a private Xvfb, then runs the program N times. Each run is timed from
just before the process starts until the screen shows the main window's
"  Ricerca  " label-button in its dark blue: the window is then mapped and
painted. Prints every run and the median.

    bench/page/startup.py build-window/disc/zolt [runs]
"""

import ctypes
import ctypes.util
import os
import statistics
import subprocess
import sys
import time

DARK = (92, 133, 160)       # the label-buttons' colour
WIDTH, HEIGHT = 757, 491    # the main window
SCREEN = (1280, 1024)
PROBE = (546 + 3, 1 + 8)    # a pixel of "  Ricerca  " inside the window
TIMEOUT = 30.0


def open_display(name):
    x11 = ctypes.CDLL(ctypes.util.find_library("X11"))
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XDefaultRootWindow.restype = ctypes.c_ulong
    x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x11.XGetImage.restype = ctypes.c_void_p
    x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                              ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
    x11.XGetPixel.restype = ctypes.c_ulong
    x11.XGetPixel.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int]
    display = None
    deadline = time.monotonic() + 10
    while not display and time.monotonic() < deadline:
        display = x11.XOpenDisplay(name.encode())
        if not display:
            time.sleep(0.05)
    if not display:
        sys.exit("cannot open the Xvfb display " + name)
    return x11, display, x11.XDefaultRootWindow(display)


def pixel(x11, display, root, x, y):
    image = x11.XGetImage(display, root, x, y, 1, 1, 0xFFFFFFFF, 2)  # ZPixmap
    if not image:
        return None
    value = x11.XGetPixel(image, 0, 0)
    return ((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF)


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    program = os.path.abspath(sys.argv[1])
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    display_name = ":%d" % (90 + os.getpid() % 100)
    xvfb = subprocess.Popen(["Xvfb", display_name, "-screen", "0", "%dx%dx24" % SCREEN, "-nolisten", "tcp"],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        x11, display, root = open_display(display_name)
        # Without a window manager the window sits where the program centres it.
        left = (SCREEN[0] - WIDTH) // 2
        top = (SCREEN[1] - HEIGHT) // 2
        probe = (left + PROBE[0], top + PROBE[1])
        env = dict(os.environ, DISPLAY=display_name, QTWEBENGINE_DISABLE_SANDBOX="1")
        env.pop("QT_QPA_PLATFORM", None)
        times = []
        for run in range(runs):
            started = time.monotonic()
            process = subprocess.Popen([program], env=env, cwd=os.path.dirname(program),
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            painted = None
            while time.monotonic() - started < TIMEOUT:
                if pixel(x11, display, root, *probe) == DARK:
                    painted = time.monotonic() - started
                    break
                time.sleep(0.002)
            process.terminate()
            process.wait(timeout=10)
            if painted is None:
                sys.exit("run %d: the window was not painted within %.0f s" % (run + 1, TIMEOUT))
            times.append(painted * 1000)
            print("run %d: %.0f ms" % (run + 1, times[-1]))
            time.sleep(0.5)
        print("median of %d: %.0f ms" % (runs, statistics.median(times)))
    finally:
        xvfb.terminate()
        xvfb.wait(timeout=10)


if __name__ == "__main__":
    main()
