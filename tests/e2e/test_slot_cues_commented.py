"""Every cue of the four scene slots ("ActiveScene1st" to "ActiveScene4rd") in every
production's track text says what it shows: a comment on the key's line or on the line just
above it (for a track's first key, just above the track's name). An uncommented cue is how a
picture ends up cut in where nobody meant it."""
import sys

import player
import showtracks


def is_comment(line):
    return line.strip().startswith("#")


def uncommented_cues(text):
    """(line number, key line) of every slot key without a comment."""
    lines = text.splitlines()
    missing = []
    track = None
    for number, line in enumerate(lines):
        words = line.split("#", 1)[0].split()
        if len(words) == 1:
            track = words[0]
            continue
        if not words or track not in showtracks.SLOT_TRACKS:
            continue
        above = lines[number - 1] if number > 0 else ""
        if above.split() == [track] and number > 1:
            above = lines[number - 2]
        if "#" not in line and not is_comment(above):
            missing.append((number + 1, line.strip()))
    return missing


def main():
    failures = []
    for production in showtracks.PRODUCTIONS:
        for number, line in uncommented_cues(showtracks.read_text(production)):
            failures.append(f"production{production}.txt:{number}: '{line}' has no comment")
    print("\n".join(failures))
    player.check(not failures, f"{len(failures)} slot cues without a comment")


if __name__ == "__main__":
    sys.exit(main())
