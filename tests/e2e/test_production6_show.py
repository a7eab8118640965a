"""Production 6 plays its whole show from data.vtl and ends by itself with exit code 0 and no
fatal error or caught exception. Along the way: the text-mode screen in strong colours, the
spectrum bars (blue and cyan boxes) on the stage, and the greetings typed on the monitor in the
middle of the picture. The shots of those moments are kept in the build folder
(e2e-production6-<moment>.png) for a person to look at."""
import sys

import picture
import productions

TITLE = "Cindercoil"
SHOW_SECONDS = 179      # 416 beats at 140 a minute and the closing chord's echo
SCREEN = dict(left=0.38, top=0.3, right=0.62, bottom=0.62)
BARS = picture.hue_between(170.0, 250.0)


def text_mode(shot):
    """The rotozoom's coloured blocks over the whole picture."""
    vivid = shot.share(picture.is_vivid)
    return vivid >= 0.15, vivid


def spectrum_bars(shot):
    """The bars' blue and cyan boxes, which nothing else on the stage has so much of."""
    blue = shot.share(BARS)
    return blue >= 0.08, blue


def green_text(pixel):
    """The monitor's green letters: green well above red and blue."""
    r, g, b = pixel
    return g >= 100 and g >= r + 25 and g >= b + 20


def greetings(shot):
    """Lines of green text on the monitor in the middle of the picture: along its rows the
    letters' green and the screen between them alternate several times. The letters are a few
    pixels high, so the shot is read at half size rather than the usual quarter."""
    fine = picture.Picture(shot.path, 640, 360)
    edges = picture.row_changes(fine, green_text, **SCREEN)
    return edges >= 3, edges


# (name, from, to: seconds of the show, check).
MOMENTS = [("text-mode", 10.5, 13.5, text_mode), ("spectrum-bars", 57.0, 108.0, spectrum_bars),
           ("greetings", 110.0, 136.5, greetings)]


def main():
    productions.play_to_the_end(6, TITLE, SHOW_SECONDS, MOMENTS)


if __name__ == "__main__":
    sys.exit(main())
