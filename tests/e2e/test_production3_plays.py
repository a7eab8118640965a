"""Production 3 ("murrow - tidewheel") packs its own data.vtl in its folder (build/p3) and plays
it under the test display to the end of its one-minute song: the picture follows the music
(glowing shapes with the title, the wall of boxes with the names, both together, the shapes
again at the end, fading out over the song's last seconds) and the player ends by itself with
exit code 0. Takes about two minutes once the production 3 build is up to date."""
import sys

import productions

TITLE = "murrow - tidewheel"
SONG_SECONDS = 63.0
# Seconds after the window appears (the loading hold is one second): title over the shapes,
# names over the growing wall, the wall pulsing on the beat, shapes and wall together under the
# kaleidoscope, the closing title.
SHOTS = [("title", 4.0), ("wall", 13.0), ("pulse", 27.0), ("both", 36.0), ("end", 58.0)]

# The picture fades out over the song's silent tail: two seconds before the end it is still
# there.
LIT_UNTIL_SECONDS_BEFORE_END = 2.0


def main():
    productions.play_to_the_end(3, TITLE, SONG_SECONDS, SHOTS, LIT_UNTIL_SECONDS_BEFORE_END)


if __name__ == "__main__":
    sys.exit(main())
