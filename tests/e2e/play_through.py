"""Plays a production from data.vtl as a person would who only starts it: the run must end by
itself with exit code 0 and no fatal error. The model viewer (production 0), which has no end
of its own, is stepped through a few models, cameras and toggles once its first model shows and
then ended with Escape. Used for the sanitizer build's runs of the players
(tools/test-sanitizers.sh), where loading takes long enough that a key pressed at a fixed time
might land in the loading screen.
Usage: play_through.py PRODUCTION"""
import os
import sys
import time

import player
import productions
import x11

TITLES = {0: "Internal debug", 3: "murrow - tidewheel", 4: "murrow - saltglass",
          5: "GLIMF 2019", 6: "Cindercoil"}
VIEWER_KEYS = ["Next", "h", "2", "l", "Prior", "Prior"]


def wait_for_change(path, timeout):
    """Takes screenshots until one differs from the picture at `path`, which it then replaces."""
    scratch = path + ".next.png"
    deadline = time.time() + timeout
    while time.time() < deadline:
        time.sleep(1.0)
        x11.screenshot(scratch)
        if productions.difference(path, scratch) > 0.002:
            os.replace(scratch, path)
            return True
    return False


def step_through_viewer(run, window_id):
    """The loading screen gives way to the first model; each key then waits for its picture."""
    shot = os.path.join(player.BINARY_DIR, "play-through-viewer.png")
    # The loading screen is white on black: the viewer's picture is brighter over all.
    deadline = time.time() + 600
    while time.time() < deadline and run.process.poll() is None:
        x11.screenshot(shot)
        if productions.mean_brightness(shot) > 0.15:
            break
        time.sleep(2.0)
    time.sleep(5.0)  # the loading hold
    x11.screenshot(shot)
    for key in VIEWER_KEYS:
        player.check(run.process.poll() is None, "the viewer ended early:\n" + run.output())
        x11.press_key(window_id, key)
        wait_for_change(shot, 60)
    x11.press_key(window_id, "Escape")


def main():
    production = int(sys.argv[1])
    run = player.Player()
    try:
        window_id = run.window_after_dialog(TITLES[production])
        if production == 0:
            step_through_viewer(run, window_id)
        code = run.wait(900)
        output = run.output()
        player.check(code == 0, f"exit code {code}; output:\n{output}")
        player.check("Error in file" not in output, "fatal error:\n" + output)
        print("played to the end")
    finally:
        run.close()


if __name__ == "__main__":
    sys.exit(main())
