"""Looking at a private X server: screenshots through xwd, read as pixels,
saved as PNG for a look by eye; clicks through xdotool."""

import os
import struct
import subprocess
import time
import zlib


class Shot:
    """A 24-bit screenshot: width, height and rows of (r, g, b)."""

    def __init__(self, width, height, rows):
        self.width, self.height, self.rows = width, height, rows

    def pixel(self, x, y):
        return self.rows[y][x]

    def count(self, box, predicate):
        x0, y0, w, h = box
        return sum(1 for y in range(y0, min(y0 + h, self.height))
                   for x in range(x0, min(x0 + w, self.width)) if predicate(self.rows[y][x]))

    def colours(self, box):
        x0, y0, w, h = box
        return {self.rows[y][x] for y in range(y0, min(y0 + h, self.height))
                for x in range(x0, min(x0 + w, self.width))}

    def save_png(self, path):
        raw = b"".join(b"\0" + bytes(c for px in row for c in px) for row in self.rows)

        def chunk(kind, data):
            return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
        with open(path, "wb") as out:
            out.write(b"\x89PNG\r\n\x1a\n")
            out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)))
            out.write(chunk(b"IDAT", zlib.compress(raw, 6)))
            out.write(chunk(b"IEND", b""))


def parse_xwd(data):
    header = struct.unpack(">25I", data[:100])
    header_size, _, pixmap_format, depth, width, height = header[:6]
    byte_order, bits_per_pixel, bytes_per_line = header[7], header[11], header[12]
    ncolors = header[19]
    # Four bytes a pixel as the server keeps them, or three where xwd packed
    # them itself (it does so when windows of several visuals are on the screen,
    # as a window drawn through OpenGL makes it).
    size = bits_per_pixel // 8
    if pixmap_format != 2 or size not in (3, 4) or depth != 24 or bytes_per_line < size * width:
        raise ValueError("expected a 24-bit ZPixmap screenshot")
    offset = header_size + 12 * ncolors
    # The blue, green and red bytes' places in a pixel.
    if byte_order == 0:  # least significant byte first: B, G, R (, pad)
        blue, green, red = 0, 1, 2
    else:  # (pad,) R, G, B
        red, green, blue = size - 3, size - 2, size - 1
    rows = []
    for y in range(height):
        line = data[offset + y * bytes_per_line: offset + y * bytes_per_line + size * width]
        rows.append([(line[i + red], line[i + green], line[i + blue]) for i in range(0, size * width, size)])
    return Shot(width, height, rows)


class Screen:
    def __init__(self, display):
        self.display = display
        self.env = dict(os.environ, DISPLAY=display)

    def shot(self, window=None):
        command = ["xwd", "-silent", "-display", self.display]
        command += ["-id", window] if window else ["-root"]
        return parse_xwd(subprocess.run(command, check=True, capture_output=True, env=self.env).stdout)

    def find_window(self, name, timeout, alive=lambda: True, interval=0.1):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline and alive():
            found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", name],
                                   capture_output=True, text=True, env=self.env).stdout.split()
            if found:
                return found[0]
            time.sleep(interval)
        return None

    def origin(self, window):
        out = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window],
                             capture_output=True, text=True, check=True, env=self.env).stdout
        values = dict(line.split("=", 1) for line in out.split())
        return int(values["X"]), int(values["Y"])

    def click(self, x, y):
        subprocess.run(["xdotool", "mousemove", "--sync", str(x), str(y), "click", "1"],
                       check=True, env=self.env)

    def wait_for(self, window, test, timeout, interval=0.1):
        """Screenshots of `window` until test(shot) holds; the last shot and whether it held."""
        deadline = time.monotonic() + timeout
        while True:
            shot = self.shot(window)
            if test(shot):
                return shot, True
            if time.monotonic() >= deadline:
                return shot, False
            time.sleep(interval)


if __name__ == "__main__":
    # python3 screen.py DISPLAY FILE.png: a screenshot of that display, for a look by eye.
    import sys
    if len(sys.argv) != 3:
        sys.exit("usage: screen.py DISPLAY FILE.png")
    shot = subprocess.run(["xwd", "-root", "-silent", "-display", sys.argv[1]], check=True, capture_output=True)
    parse_xwd(shot.stdout).save_png(sys.argv[2])
