#!/usr/bin/python3
"""Draws the program's own artwork into look/artwork/.

Needs python3-pil (Debian) and the DejaVu fonts (fonts-dejavu-core). Every
picture is drawn here from shapes and text in the program's two colours; the
output is committed, so the build needs neither Python nor PIL. Each picture
is drawn twice: at its size in the window ("strip.png") and at twice that
size for screens of two device pixels to the pixel ("strip@2x.png"), from the
same shapes, so neither is a scaled copy of the other.

    /usr/bin/python3 tools/artwork/make_artwork.py   # writes into look/artwork/
    tools/artwork/make_artwork.py OUTDIR
"""

import math
import os
import sys

from PIL import Image, ImageDraw, ImageFont

LIGHT = (215, 225, 232)  # ColoreChiaro
DARK = (92, 133, 160)    # ColoreScuro
WHITE = (255, 255, 255)
NAVY = (0, 0, 128)

FONT_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"

# Device pixels to the pixel of the pictures being drawn; coordinates below
# are in the window's pixels.
SCALE = 1


class ScaledDraw:
    """ImageDraw in window pixels: every box, line and text is drawn at
    SCALE device pixels to the pixel."""

    def __init__(self, image):
        self.draw = ImageDraw.Draw(image)

    @staticmethod
    def box(b):
        x0, y0, x1, y1 = b
        # PIL boxes include their last pixel: a window pixel is SCALE pixels.
        return [round(x0 * SCALE), round(y0 * SCALE), round((x1 + 1) * SCALE) - 1, round((y1 + 1) * SCALE) - 1]

    def rectangle(self, b, fill=None, outline=None):
        self.draw.rectangle(self.box(b), fill=fill, outline=outline, width=SCALE)

    def ellipse(self, b, fill=None, outline=None):
        self.draw.ellipse(self.box(b), fill=fill, outline=outline, width=SCALE)

    def pieslice(self, b, start, end, fill=None):
        self.draw.pieslice(self.box(b), start, end, fill=fill)

    def line(self, points, fill=None):
        # Only straight horizontal or vertical lines one pixel wide are drawn.
        self.draw.rectangle(self.box(points), fill=fill)

    def text(self, position, text, font, fill):
        self.draw.text((position[0] * SCALE, position[1] * SCALE), text, font=font, fill=fill)

    def textlength(self, text, font):
        return self.draw.textlength(text, font=font) / SCALE


def new_image(mode, size, colour):
    return Image.new(mode, (size[0] * SCALE, size[1] * SCALE), colour)


def output(folder, name):
    if SCALE == 1:
        return os.path.join(folder, name)
    stem, extension = os.path.splitext(name)
    return os.path.join(folder, "%s@%dx%s" % (stem, SCALE, extension))


def mix(a, b, t):
    """Colour a moved towards b by t (0..1)."""
    t = max(0.0, min(1.0, t))
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def font(size, bold=True):
    return ImageFont.truetype(FONT_BOLD if bold else FONT, size * SCALE)


def squares(draw, x0, y0, columns, rows, cell, gap, colour_at):
    """A grid of squares; colour_at(column, row) gives each one's colour or None."""
    for row in range(rows):
        for column in range(columns):
            colour = colour_at(column, row)
            if colour is None:
                continue
            x = x0 + column * (cell + gap)
            y = y0 + row * (cell + gap)
            draw.rectangle([x, y, x + cell - 1, y + cell - 1], fill=colour)


def draw_disc(draw, cx, cy, radius, glint_angle=None):
    """A small compact disc: rings in the two colours, a hole, and a glint."""
    draw.ellipse([cx - radius, cy - radius, cx + radius, cy + radius], fill=LIGHT, outline=DARK)
    for r, colour in ((radius - 3, mix(LIGHT, WHITE, 0.5)), (radius - 7, LIGHT)):
        draw.ellipse([cx - r, cy - r, cx + r, cy + r], outline=colour)
    if glint_angle is not None:
        for spread, colour in ((26, WHITE), (12, mix(WHITE, LIGHT, 0.2))):
            draw.pieslice([cx - radius + 1, cy - radius + 1, cx + radius - 1, cy + radius - 1],
                          glint_angle - spread, glint_angle + spread, fill=colour)
            draw.pieslice([cx - radius + 1, cy - radius + 1, cx + radius - 1, cy + radius - 1],
                          glint_angle + 180 - spread, glint_angle + 180 + spread, fill=colour)
    hub = max(3, radius // 3)
    draw.ellipse([cx - hub, cy - hub, cx + hub, cy + hub], fill=DARK)
    draw.ellipse([cx - 2, cy - 2, cx + 2, cy + 2], fill=WHITE)


def text_mask(size, text, position, text_font):
    mask = new_image("L", size, 0)
    ScaledDraw(mask).text(position, text, font=text_font, fill=255)
    return mask


# --- The animated logo ------------------------------------------------------------

def logo_frame(sweep, glint):
    """One frame: the disc at the left, "ZOLT" and "CD" at the right; a band
    of light at x = sweep crosses the letters."""
    width, height = 138, 57
    frame = new_image("RGB", (width, height), WHITE)
    draw = ScaledDraw(frame)
    # A quiet base line in the light colour, like the page's strips.
    draw.rectangle([0, height - 5, width - 1, height - 1], fill=LIGHT)
    draw.rectangle([0, height - 5, 30, height - 1], fill=DARK)
    draw_disc(draw, 25, 25, 19, glint)

    word_font = font(30)
    mask = text_mask((width, height), "ZOLT", (50, 4), word_font)
    letters = new_image("RGB", (width, height), DARK)
    shine = new_image("RGB", (width, height), DARK)
    shine_pixels = shine.load()
    for x in range(width * SCALE):
        for y in range(height * SCALE):
            # The band leans like light on a disc's surface.
            distance = abs((x / SCALE + y / SCALE * 0.45) - sweep)
            glow = max(0.0, 1.0 - distance / 9.0)
            shine_pixels[x, y] = mix(DARK, LIGHT, glow * 0.95)
    letters.paste(shine, (0, 0))
    frame.paste(letters, (0, 0), mask)
    draw.text((53, 37), "CD  ROM", font=font(10), fill=DARK)
    return frame


def quantize_together(frames, colours):
    """One palette for every frame, with the program's colours kept exact."""
    montage = Image.new("RGB", (frames[0].width, frames[0].height * len(frames)))
    for index, frame in enumerate(frames):
        montage.paste(frame, (0, index * frame.height))
    source = montage.quantize(colors=colours, method=Image.Quantize.MEDIANCUT)
    palette = source.getpalette()[: colours * 3]
    for exact in (WHITE, LIGHT, DARK):
        nearest = min(range(colours),
                      key=lambda i: sum((palette[i * 3 + k] - exact[k]) ** 2 for k in range(3)))
        palette[nearest * 3: nearest * 3 + 3] = exact
    entries = [tuple(palette[i * 3: i * 3 + 3]) for i in range(colours)]
    nearest_cache = {}

    def nearest(colour):
        if colour not in nearest_cache:
            nearest_cache[colour] = min(
                range(colours), key=lambda i: sum((entries[i][k] - colour[k]) ** 2 for k in range(3)))
        return nearest_cache[colour]

    # Exact nearest-colour mapping (PIL's own mapping is approximate and
    # would turn the white background off-white).
    result = []
    for frame in frames:
        indexed = Image.new("P", frame.size)
        indexed.putpalette(palette)
        indexed.putdata([nearest(pixel) for pixel in frame.getdata()])
        result.append(indexed)
    return result


def make_logo(folder):
    frames, durations = [], []
    steps = 14
    for step in range(steps):
        sweep = 30 + step * (150 / (steps - 1))
        glint = 200 + step * (180 / steps)
        frames.append(logo_frame(sweep, glint))
        durations.append(70)
    # The resting picture, shown long between sweeps.
    frames.append(logo_frame(-100, 200))
    durations.append(2600)
    paletted = quantize_together(frames, 64)
    paletted[0].save(output(folder, "logo.gif"), save_all=True, append_images=paletted[1:],
                     duration=durations, loop=0, optimize=False, disposal=1)


# --- Still pictures -------------------------------------------------------------------

def make_logo_picture(folder):
    """89 x 55: a stack of discs in a light frame."""
    image = new_image("RGB", (89, 55), WHITE)
    draw = ScaledDraw(image)
    draw.rectangle([0, 0, 88, 54], fill=LIGHT)
    squares(draw, 2, 2, 7, 2, 5, 1, lambda c, r: mix(DARK, LIGHT, (c + r) / 8))
    for offset, shade in ((0, 0.55), (6, 0.3), (12, 0.0)):
        cx, cy = 40 + offset, 28 + offset // 3
        draw.ellipse([cx - 20, cy - 20, cx + 20, cy + 20], fill=mix(WHITE, LIGHT, shade), outline=DARK)
    draw_disc(draw, 52, 32, 20, 230)
    draw.text((4, 40), "CD", font=font(11), fill=DARK)
    image.save(output(folder, "logo-picture.png"), optimize=True)


def make_strip(folder):
    """89 x 17: squares from the dark colour to the light one, then white."""
    image = new_image("RGB", (89, 17), WHITE)
    draw = ScaledDraw(image)
    columns = 11

    def colour(column, row):
        t = column / (columns - 1) + (0.08 if row else 0.0)
        if row and column % 2:
            return None
        return mix(DARK, LIGHT, t * 1.1) if t < 0.95 else mix(LIGHT, WHITE, 0.5)

    squares(draw, 1, 1, columns, 2, 7, 1, colour)
    image.save(output(folder, "strip.png"), optimize=True)


def make_banner_end(folder, name, width, mirrored):
    """The ends of the bottom strip beside the 468 x 60 banner: squares
    stepping from the window's edge inwards, and a caption on the inner side."""
    height = 65
    image = new_image("RGB", (width, height), LIGHT)
    draw = ScaledDraw(image)
    # The right end keeps its lower part plain: the window writes its
    # "Powered by" footer there (from 32, 50 in this picture).
    cell, gap, columns, rows = 6, 1, 6, (6 if mirrored else 9)

    def colour(column, row):
        step = column + (rows - 1 - row) // 3
        if step > 7:
            return None
        return mix(DARK, mix(LIGHT, WHITE, 0.4), step / 7)

    def mirrored_colour(column, row):
        return colour(columns - 1 - column, row)

    squares_width = columns * (cell + gap) - gap
    x0 = width - squares_width if mirrored else 0
    squares(draw, x0, 1, columns, rows, cell, gap, mirrored_colour if mirrored else colour)

    caption = "www.zolt.it" if mirrored else "ZOLT CD"
    caption_font = font(10, bold=False) if mirrored else font(12)
    line_font = font(9, bold=False)
    # Text sits between the squares and the banner, flush with the banner side.
    if mirrored:
        left, right = 8, width - squares_width - 6
        draw.text((left, 4), caption, font=caption_font, fill=DARK)
        draw.text((left, 26), "il CD della rivista", font=line_font, fill=NAVY)
        draw.line([left, 21, right, 21], fill=DARK)
    else:
        left, right = squares_width + 6, width - 8
        draw.text((right - draw.textlength(caption, font=caption_font), 14), caption,
                  font=caption_font, fill=DARK)
        draw.text((right - draw.textlength("il CD della rivista", font=line_font), 40),
                  "il CD della rivista", font=line_font, fill=NAVY)
        draw.line([left, 34, right, 34], fill=DARK)
    image.save(output(folder, name), optimize=True)


def make_corner(folder):
    """55 x 53, the search window's top-left corner: pale blue squares in
    steps, darkest along the window's edges (the window mirrors it for the
    other corners)."""
    image = new_image("RGB", (55, 53), WHITE)
    draw = ScaledDraw(image)
    cell, gap = 6, 1

    def colour(column, row):
        if column + row > 7:
            return None
        # Darkest along both edges, paler towards the window's inside.
        t = 0.6 * min(column, row) / 3 + 0.4 * (column + row) / 7
        return mix(mix(DARK, LIGHT, 0.35), mix(LIGHT, WHITE, 0.55), t)

    squares(draw, 0, 0, 8, 8, cell, gap, colour)
    image.save(output(folder, "corner.png"), optimize=True)


def make_search_strip(folder):
    """92 x 18: a row of squares fading from the label's blue (left, where the
    label is) to white."""
    image = new_image("RGB", (92, 18), WHITE)
    draw = ScaledDraw(image)
    columns = 9

    def colour(column, row):
        t = column / columns
        if row == 1 and column % 2 == 1:
            return None
        return mix(DARK, WHITE, t + row * 0.12)

    squares(draw, 1, 1, columns, 2, 8, 2, colour)
    image.save(output(folder, "search-strip.png"), optimize=True)


def main():
    global SCALE
    here = os.path.dirname(os.path.abspath(__file__))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "..", "look", "artwork")
    os.makedirs(folder, exist_ok=True)
    for SCALE in (1, 2):
        make_logo(folder)
        make_logo_picture(folder)
        make_strip(folder)
        make_banner_end(folder, "banner-left.png", 144, mirrored=False)
        make_banner_end(folder, "banner-right.png", 145, mirrored=True)
        make_corner(folder)
        make_search_strip(folder)


if __name__ == "__main__":
    main()
