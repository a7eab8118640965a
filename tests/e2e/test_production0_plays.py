"""Production 0 ("Internal debug"), the model viewer, is built in a folder of its own, packs its
own data.vtl (which must hold every model of the list: the viewer loads them lazily) and is
driven from the keyboard as a person would: through several models (forwards, and backwards
past the first to the grid of cubes at the end of the list), cameras, the help overlay and the
display toggles, a turn on the numeric pad; Escape then ends the run with exit code 0."""
import subprocess
import sys
import time

import player
import productions
import x11

TITLE = "Internal debug"


def keys(window_id, *names):
    for name in names:
        x11.press_key(window_id, name)
        time.sleep(0.15)


def hold(window_id, name, seconds):
    subprocess.run(["xdotool", "windowfocus", "--sync", window_id, "keydown", name],
                   capture_output=True, timeout=10)
    time.sleep(seconds)
    subprocess.run(["xdotool", "keyup", name], capture_output=True, timeout=10)


# (screenshot name, keys pressed before it, seconds to let the frames settle)
STEPS = [
    ("first", [], 7.0),
    ("box", ["Next"], 2.5),
    ("animated-camera2-help", ["Next", "Next", "2", "h"], 3.0),
    ("toggles", ["h", "y", "f", "b", "g"], 2.5),
    ("grid", ["Prior", "Prior", "Prior", "Prior", "y", "f", "b", "g"], 4.0),
    ("lighting-off", ["l"], 2.0),
    ("pillars-from-above", ["l", "Prior", "7"], 4.0),
]


def main():
    folder = productions.build_and_pack(0)
    run = player.Player(f"{folder}/player", cwd=folder)
    shots = []
    try:
        window_id = run.window_after_dialog(TITLE)
        for name, pressed, settle in STEPS:
            keys(window_id, *pressed)
            if name == "lighting-off":
                hold(window_id, "KP_4", 1.0)  # turns the grid about z
            time.sleep(settle)
            player.check(run.process.poll() is None, "player ended early:\n" + run.output())
            shots.append(productions.shot_path(0, name))
            x11.screenshot(shots[-1])
        run.quit_with_escape(window_id)
    finally:
        run.close()
    for shot in shots:
        player.check(productions.mean_brightness(shot) > 0.02, f"{shot} is black")
    for a, b in zip(shots, shots[1:]):
        change = productions.difference(a, b)
        player.check(change > 0.01, f"the picture hardly changed from {a} to {b} ({change})")


if __name__ == "__main__":
    sys.exit(main())
