"""Production 4 ("murrow - saltglass") is built in a folder of its own, packs its own data.vtl
and plays it under the test display to the end of its one-minute song: the ball grid in the
intro, the balls floating in the tunnel, the shapes, the wall, the twisting grid of the break,
and the player ends by itself with exit code 0. Takes about two minutes once the production 4
build is up to date."""
import sys

import productions

TITLE = "murrow - saltglass"
SONG_SECONDS = 63.0
# Seconds after the window appears (the loading hold is two and a half seconds).
SHOTS = [("balls", 5.5), ("tunnel", 12.0), ("shapes", 20.0), ("wall", 27.0), ("twist", 35.0),
         ("outro", 59.0)]


def main():
    productions.play_to_the_end(4, TITLE, SONG_SECONDS, SHOTS)


if __name__ == "__main__":
    sys.exit(main())
