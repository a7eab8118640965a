"""Measures on screenshots, for telling whether the element a show means to have on screen is
there: a picture is read (through ImageMagick, scaled down) as rows of (r, g, b) and measured
by the share of its pixels, in a region, that pass a colour test."""
import colorsys
import subprocess

WIDTH = 320
HEIGHT = 180


class Picture:
    def __init__(self, path, width=WIDTH, height=HEIGHT):
        raw = subprocess.run(["convert", path, "-resize", f"{width}x{height}!", "-depth", "8",
                              "rgb:-"], check=True, capture_output=True).stdout
        self.path = path
        self.width = width
        self.height = height
        self.pixels = [tuple(raw[i:i + 3]) for i in range(0, len(raw), 3)]

    def region(self, left=0.0, top=0.0, right=1.0, bottom=1.0):
        """The pixels of a region given in fractions of the picture, top row first."""
        x0, x1 = int(left * self.width), int(right * self.width)
        y0, y1 = int(top * self.height), int(bottom * self.height)
        return [self.pixels[y * self.width + x] for y in range(y0, y1) for x in range(x0, x1)]

    def share(self, test, **region):
        """The share of the region's pixels that pass the colour test."""
        pixels = self.region(**region)
        return sum(1 for p in pixels if test(p)) / max(1, len(pixels))

    def distinct_colours(self, step=32, **region):
        """How many colours the region holds, each channel counted in steps."""
        return len({(r // step, g // step, b // step) for r, g, b in self.region(**region)})


def hsv(pixel):
    return colorsys.rgb_to_hsv(*(c / 255.0 for c in pixel))


def is_lit(pixel, level=40):
    return max(pixel) >= level


def is_vivid(pixel, saturation=0.5, value=0.3):
    """A strong colour: neither grey nor dark."""
    _, s, v = hsv(pixel)
    return s >= saturation and v >= value


def hue_between(low, high, saturation=0.4, value=0.25):
    """A colour test: a vivid pixel whose hue (degrees) lies in low..high."""
    def test(pixel):
        h, s, v = hsv(pixel)
        return s >= saturation and v >= value and low <= h * 360.0 <= high
    return test


def row_changes(picture, test, **region):
    """The mean number of times a row of the region switches between pixels that pass the test
    and pixels that do not: high for text, bars and grids, low for flat or empty pictures."""
    pixels = picture.region(**region)
    x0, x1 = int(region.get("left", 0.0) * picture.width), int(region.get("right", 1.0) * picture.width)
    width = x1 - x0
    rows = [pixels[i:i + width] for i in range(0, len(pixels), width)]
    changes = 0
    for row in rows:
        marks = [test(p) for p in row]
        changes += sum(1 for a, b in zip(marks, marks[1:]) if a != b)
    return changes / max(1, len(rows))


def is_grey(pixel, level=90):
    """A light, nearly colourless pixel: the lit faces of grey cubes, white text."""
    return max(pixel) >= level and hsv(pixel)[1] < 0.3


def differs_from_border(picture, **region):
    """The share of the region's pixels that stand out from the mean colour of the picture's
    outer frame (a twentieth of each side): something drawn over the background."""
    frame = (picture.region(0.0, 0.0, 1.0, 0.05) + picture.region(0.0, 0.95, 1.0, 1.0) +
             picture.region(0.0, 0.0, 0.05, 1.0) + picture.region(0.95, 0.0, 1.0, 1.0))
    mean = [sum(p[c] for p in frame) / len(frame) for c in range(3)]
    return picture.share(lambda p: sum(abs(p[c] - mean[c]) for c in range(3)) > 60, **region)
