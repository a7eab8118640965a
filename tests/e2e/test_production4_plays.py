"""Production 4 ("murrow - saltglass") is built in a folder of its own, packs its own data.vtl
and plays it under the test display to the end of its one-minute song, and the player ends by
itself with exit code 0. Along the way each scene's element must be on screen in its part of
the show: the ball grid of the intro, the tunnel that fills the picture, the glowing shapes, the
wall of boxes, the tunnel again. Takes about two minutes once the production 4 build is up to
date."""
import sys

import picture
import productions

TITLE = "murrow - saltglass"
SONG_SECONDS = 63.0


def ball_grid(shot):
    """Coloured balls over black: vivid, but far from filling the picture."""
    lit = shot.share(picture.is_lit)
    vivid = shot.share(picture.is_vivid)
    return vivid >= 0.03 and lit <= 0.4, vivid


def tunnel(shot):
    """The tunnel's rings reach every edge of the picture, in shades a flat flash has not."""
    colours = shot.distinct_colours()
    edges = (dict(right=0.08), dict(left=0.92), dict(bottom=0.1), dict(top=0.9))
    reach = min(shot.share(picture.is_lit, **edge) for edge in edges)
    return reach >= 0.05 and colours >= 30, reach


def coloured(shot, least_vivid=0.05):
    """Glowing shapes or lit boxes: a good part of the picture in strong colours, over black
    (the tunnel fills the picture)."""
    vivid = shot.share(picture.is_vivid)
    return vivid >= least_vivid and shot.share(picture.is_lit) < 0.7, vivid


def outlines(shot):
    """The glowing shapes' thin frames, first seen from high above: strong colours over black,
    but on a smaller part of the picture than solid boxes."""
    return coloured(shot, least_vivid=0.01)


# (name, from, to: seconds of the show, check). The scenes change every 7.5 s. Slow frames
# can hold up the screenshots for seconds, so each moment takes most of its scene's span. The
# show's start is known to a second or so: the shapes and the wall, which the tunnel with its
# balls could pass for, leave out the first one and a half seconds of their span.
MOMENTS = [("balls", 1.0, 7.0, ball_grid), ("tunnel", 7.5, 15.0, tunnel),
           ("shapes", 16.5, 22.5, outlines), ("wall", 24.0, 30.0, coloured),
           ("tunnel-again", 37.5, 45.0, tunnel)]

# The picture fades out over the song's silent tail: three seconds before the end it is still
# there.
LIT_UNTIL_SECONDS_BEFORE_END = 3.0


def main():
    productions.play_to_the_end(4, TITLE, SONG_SECONDS, MOMENTS,
                                lit_until_seconds_before_end=LIT_UNTIL_SECONDS_BEFORE_END)


if __name__ == "__main__":
    sys.exit(main())
