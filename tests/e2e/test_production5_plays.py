"""Production 5 ("GLIMF 2019") is built in a folder of its own, packs its own data.vtl and plays
it under the test display to the end of its 93-second song, and the player ends by itself with
exit code 0. Along the way: the block of grey cubes in the middle of the picture, its explosion
into cubes all over it, and the greetings spelled in cubes, which move. Takes about two and a
half minutes once the production 5 build is up to date."""
import sys

import picture
import productions

TITLE = "GLIMF 2019"
SONG_SECONDS = 92.6
MIDDLE = dict(left=0.4, top=0.35, right=0.6, bottom=0.65)


def block(shot):
    """The block fills the middle of the picture with the grey faces of its cubes."""
    grey = shot.share(picture.is_grey, **MIDDLE)
    return grey >= 0.6, grey


def explosion(shot):
    """Cubes all over the picture: grey faces with many edges along every row."""
    edges = picture.row_changes(shot, picture.is_grey)
    return shot.share(picture.is_grey) >= 0.3 and edges >= 12, edges


def letters(shot):
    """A line of letters of cubes: a band of rows across the picture, and only there, full of
    white cube faces. The ribbon, the block and the explosion spread theirs over more rows."""
    rows = [shot.share(lambda p: picture.is_grey(p, 180), top=y / shot.height,
                       bottom=(y + 1) / shot.height) for y in range(shot.height)]
    band = [y for y, share in enumerate(rows) if share >= 0.2]
    height = (band[-1] - band[0] + 1) / shot.height if band else 1.0
    return len(band) >= 0.04 * shot.height and height <= 0.3, height


# (name, from, to: seconds of the show, check).
MOMENTS = [("block", 5.0, 25.0, block), ("explosion", 32.0, 38.5, explosion),
           ("greetings", 53.0, 76.0, letters)]


def main():
    productions.play_to_the_end(5, TITLE, SONG_SECONDS, MOMENTS)


if __name__ == "__main__":
    sys.exit(main())
