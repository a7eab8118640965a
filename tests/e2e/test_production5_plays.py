"""Production 5 ("GLIMF 2019") is built in a folder of its own, packs its own data.vtl and plays
it under the test display to the end of its 93-second song: the cube block, its explosion, the
ribbon of the break, the greetings spelled in cubes, the block coming apart in the outro; the
player ends by itself with exit code 0. Takes about two and a half minutes once the production
5 build is up to date."""
import sys

import productions

TITLE = "GLIMF 2019"
SONG_SECONDS = 92.6
# Seconds after the window appears: loading takes some seconds on llvmpipe, then the loading
# hold of one and a half seconds, then the song.
SHOTS = [("block", 20.0), ("explosion", 38.0), ("ribbon", 53.0), ("greetings", 70.0),
         ("greetings-later", 78.0), ("outro", 95.0)]


def main():
    productions.play_to_the_end(5, TITLE, SONG_SECONDS, SHOTS)


if __name__ == "__main__":
    sys.exit(main())
