"""Production 3 ("murrow - tidewheel") packs its own data.vtl in its folder (build/p3) and plays
it under the test display to the end of its one-minute song, and the player ends by itself with
exit code 0. The picture follows the music: the glowing shapes, the wall of boxes, both
together, the shapes again at the end, each in strong colours in its part of the show. Takes
about two minutes once the production 3 build is up to date."""
import sys

import picture
import productions

TITLE = "murrow - tidewheel"
SONG_SECONDS = 63.0


def coloured(shot):
    """Glowing shapes or lit boxes: a good part of the picture in strong colours."""
    vivid = shot.share(picture.is_vivid)
    return vivid >= 0.05, vivid


# (name, from, to: seconds of the show, check). The scenes change every 7.5 s.
MOMENTS = [("shapes", 1.0, 7.5, coloured), ("wall", 7.5, 15.0, coloured),
           ("both", 30.0, 37.5, coloured), ("wall-again", 45.0, 52.5, coloured),
           ("end", 52.5, 59.0, coloured)]

# The picture fades out over the song's silent tail: three seconds before the end it is still
# there.
LIT_UNTIL_SECONDS_BEFORE_END = 3.0


def main():
    productions.play_to_the_end(3, TITLE, SONG_SECONDS, MOMENTS,
                                lit_until_seconds_before_end=LIT_UNTIL_SECONDS_BEFORE_END)


if __name__ == "__main__":
    sys.exit(main())
