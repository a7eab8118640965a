"""Production 4 ("murrow - saltglass") is built in a folder of its own, packs its own data.vtl
and plays it under the test display to the end of its one-minute song: the ball grid in the
intro, the balls floating in the tunnel, the shapes, the wall, the twisting grid of the break,
the outro grid fading out over the song's last seconds, and the player ends by itself with exit
code 0. Takes about two minutes once the production 4 build is up to date."""
import sys

import productions

TITLE = "murrow - saltglass"
SONG_SECONDS = 63.0
# Seconds after the window appears: loading takes some seconds on llvmpipe, then the loading
# hold of two and a half seconds, then the song.
SHOTS = [("balls", 10.0), ("tunnel", 17.0), ("shapes", 24.5), ("wall", 31.5), ("twist", 39.0),
         ("outro", 55.0)]

# The picture fades out over the song's silent tail: two seconds before the end it is still
# there.
LIT_UNTIL_SECONDS_BEFORE_END = 2.0


def main():
    productions.play_to_the_end(4, TITLE, SONG_SECONDS, SHOTS, LIT_UNTIL_SECONDS_BEFORE_END)


if __name__ == "__main__":
    sys.exit(main())
