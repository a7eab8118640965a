"""Productions 3 and 4 share three scene classes (the glowing shapes, the wall of boxes, the
text) and their tempo, so a stretch of track text copied from one into the other plays the
first one's footage in the second. Every second of the shows must differ: at some moment in
it the two show other scene classes, or a track of a scene both show, or of the camera, lies
visibly apart. Post effects alone do not make a picture of its own. Reads both track texts as
the player samples them, and the productions' scene lists from the production-to-scene
table."""
import os
import re
import sys

import player
import showtracks

PRODUCTIONS = (3, 4)
# Each scene class reads the tracks whose names start with its prefix.
TRACK_PREFIXES = {"TwGlowShapes": "twgs", "TwBoxes": "twbx", "MorvelText": "text",
                  "HypnoTunnel": "hypno", "TwBalls": "twbl"}
SAMPLES_PER_SECOND = 8
# Two values lie visibly apart when they differ by more than this share of the span the
# track's keys cover in both productions.
VISIBLE_SHARE = 0.05


def scene_classes(production):
    """The production's scene classes, in the order its slot values select them."""
    with open(os.path.join(player.SOURCE_DIR, "src", "scenes", "productionscenes.cpp")) as f:
        table = f.read()
    entries = re.search(r"\{%d, \{(.*?)\}\}" % production, table, re.S)
    player.check(entries is not None, f"production {production} is not in the scene table")
    return re.findall(r"Entry<(\w+)>", entries.group(1))


class Show:
    def __init__(self, production):
        self.tracks = showtracks.tracks_of(production)
        self.classes = scene_classes(production)
        self.rate = showtracks.rows_per_second(self.tracks)

    def picture(self, seconds):
        """(the scene classes shown, {track: value} of their tracks and the camera's) at a time
        of the show; a track without keys has the value None."""
        row = seconds * self.rate
        slots = [int(showtracks.value_at(self.tracks.get(name, []), row, default))
                 for name, default in zip(showtracks.SLOT_TRACKS, showtracks.SLOT_DEFAULTS)]
        shown = sorted({self.classes[s] for s in slots if 0 <= s < len(self.classes)})
        prefixes = tuple(["camera"] + [TRACK_PREFIXES[name] for name in shown])
        values = {name: showtracks.value_at(keys, row, None)
                  for name, keys in self.tracks.items() if name.startswith(prefixes)}
        return shown, values


def spans(shows):
    """{track: the span its key values cover in all the shows}."""
    values = {}
    for show in shows:
        for name, keys in show.tracks.items():
            values.setdefault(name, []).extend(value for _, value, _ in keys)
    return {name: max(v) - min(v) if v else 0.0 for name, v in values.items()}


def same_picture(a, b, span):
    (shown_a, values_a), (shown_b, values_b) = a, b
    if shown_a != shown_b:
        return False
    for name in values_a.keys() | values_b.keys():
        x, y = values_a.get(name), values_b.get(name)
        if (x is None) != (y is None):
            return False
        if x is not None and abs(x - y) > VISIBLE_SHARE * span[name]:
            return False
    return True


def borrowed_seconds():
    shows = [Show(production) for production in PRODUCTIONS]
    span = spans(shows)
    length = min(showtracks.song_seconds(production) for production in PRODUCTIONS)
    borrowed = []
    for second in range(int(length)):
        times = [second + k / SAMPLES_PER_SECOND for k in range(SAMPLES_PER_SECOND)]
        if all(same_picture(*(show.picture(t) for show in shows), span) for t in times):
            borrowed.append(second)
    return borrowed


def main():
    borrowed = borrowed_seconds()
    print(f"seconds with the same picture in productions 3 and 4: {borrowed}")
    player.check(not borrowed, f"productions 3 and 4 show the same picture in seconds {borrowed}")


if __name__ == "__main__":
    sys.exit(main())
