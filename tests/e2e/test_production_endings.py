"""Every production shows its picture until its song ends: its last seconds are a scene or a
fade planned to end with the music, never black because the tracks ran out before the song.
Reads each production's track text as the player samples it and measures its song with
ffprobe."""
import sys

import player
import showtracks

# How long before the song's end the picture may be gone: the dark tail of a fade that ends
# with the music.
ALLOWED_BLACK_SECONDS = 1.0
ROW_STEP = 0.25
# A picture nine tenths faded reads as black.
BLACK_FADE = -0.9


def selects_a_scene(tracks, row, scene_count):
    for name, default in zip(showtracks.SLOT_TRACKS, showtracks.SLOT_DEFAULTS):
        slot = int(showtracks.value_at(tracks.get(name, []), row, default))
        if 0 <= slot < scene_count:
            return True
    return False


def faded_to_black(tracks, row):
    fade_on = showtracks.value_at(tracks.get("ppFade", []), row, -1.0) >= 0.0
    return fade_on and showtracks.value_at(tracks.get("ppFadeValue", []), row, 0.0) <= BLACK_FADE


def black_seconds_at_the_end(production):
    """Seconds between the last row that shows a picture and the end of the song."""
    tracks = showtracks.tracks_of(production)
    scene_count = showtracks.PRODUCTIONS[production][1]
    rate = showtracks.rows_per_second(tracks)
    end = showtracks.song_seconds(production) * rate
    row = end
    while row > 0 and (faded_to_black(tracks, row) or not selects_a_scene(tracks, row, scene_count)):
        row -= ROW_STEP
    return (end - row) / rate


def main():
    failures = []
    for production in showtracks.PRODUCTIONS:
        black = black_seconds_at_the_end(production)
        print(f"production {production}: {black:.2f} s of black before the song ends")
        if black > ALLOWED_BLACK_SECONDS:
            failures.append(f"production {production} ends on {black:.1f} s of black")
    player.check(not failures, "; ".join(failures))


if __name__ == "__main__":
    sys.exit(main())
