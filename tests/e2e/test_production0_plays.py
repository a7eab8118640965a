"""Production 0 ("Internal debug"), the model viewer, is built in a folder of its own, packs its
own data.vtl (which must hold every model of the list: the viewer loads them lazily) and is
driven from the keyboard as a person would: through several models (forwards, and backwards
past the first to the grid of cubes at the end of the list), cameras, the help overlay and the
display toggles, a turn on the numeric pad; Escape then ends the run with exit code 0.

A frame can take seconds on llvmpipe when a new shader variant is built, and presses of one key
between two frames count once, so each key waits until the picture has changed."""
import os
import subprocess
import sys
import tempfile
import time

import picture
import player
import productions
import x11

TITLE = "Internal debug"

# (keys, each waited for; a key to hold for a second, or None; screenshot name)
STEPS = [
    ([], None, "first"),
    (["Next"], None, "box"),
    (["Next", "Next", "h", "2"], None, "animated-camera2-help"),
    (["h", "y", "b", "g"], None, "toggles"),
    (["Prior", "Prior", "Prior", "Prior"], None, "grid"),
    (["l"], "KP_4", "turned-lighting-off"),
    (["l", "Prior", "7"], None, "pillars-from-above"),
]


MIDDLE = dict(left=0.3, top=0.25, right=0.7, bottom=0.75)


def model_in_the_middle(path):
    """The model stands out from the background (the sky, the floor) in the picture's middle."""
    return picture.differs_from_border(picture.Picture(path), **MIDDLE)


def whole_and_lit(path):
    """Left alone, the viewer tours the bevelled cube: it stands out in the middle, the ground
    around it at the picture's edges, and the lights do not wash it out to white."""
    washed_out = picture.Picture(path).share(lambda p: min(p) >= 245)
    return model_in_the_middle(path) if washed_out < 0.01 else 0.0


def red_in_the_middle(path):
    """The box sample's red material fills the middle of the picture."""
    red = lambda p: p[0] >= 90 and p[1] <= p[0] // 2 and p[2] <= p[0] // 2
    return picture.Picture(path).share(red, **MIDDLE)


# (screenshot, measure, least value): what each step must show.
ELEMENTS = [("first", whole_and_lit, 0.5), ("box", red_in_the_middle, 0.5),
            ("grid", model_in_the_middle, 0.5), ("pillars-from-above", model_in_the_middle, 0.5)]


def wait_for_change(before, timeout=25.0):
    """Takes screenshots until one differs from `before`; returns it (or the last one)."""
    deadline = time.time() + timeout
    scratch = tempfile.NamedTemporaryFile(suffix=".png", delete=False).name
    while True:
        x11.screenshot(scratch)
        if productions.difference(before, scratch) > 0.002 or time.time() > deadline:
            os.replace(scratch, before)
            return
        time.sleep(0.3)


def press(window_id, key, current):
    x11.press_key(window_id, key)
    wait_for_change(current)


def hold(window_id, key, current):
    subprocess.run(["xdotool", "windowfocus", "--sync", window_id, "keydown", key],
                   capture_output=True, timeout=10)
    time.sleep(1.0)
    subprocess.run(["xdotool", "keyup", key], capture_output=True, timeout=10)
    wait_for_change(current)


def main():
    folder = productions.build_and_pack(0)
    run = player.Player(os.path.join(folder, "player"), cwd=folder)
    shots = []
    current = productions.shot_path(0, "current")
    try:
        window_id = run.window_after_dialog(TITLE)
        time.sleep(10.0)  # loading, the loading hold, the first frames
        x11.screenshot(current)
        for keys, held, name in STEPS:
            for key in keys:
                press(window_id, key, current)
            if held:
                hold(window_id, held, current)
            time.sleep(1.5)
            player.check(run.process.poll() is None, "player ended early:\n" + run.output())
            shots.append(productions.shot_path(0, name))
            x11.screenshot(shots[-1])
        run.quit_with_escape(window_id)
    finally:
        run.close()
    for shot in shots:
        player.check(productions.mean_brightness(shot) > 0.02, f"{shot} is black")
    for name, measure, least in ELEMENTS:
        value = measure(productions.shot_path(0, name))
        player.check(value >= least, f"{name}: the model is not there ({value:.2f})")
    for a, b in zip(shots, shots[1:]):
        change = productions.difference(a, b)
        player.check(change > 0.01, f"the picture hardly changed from {a} to {b} ({change})")


if __name__ == "__main__":
    sys.exit(main())
