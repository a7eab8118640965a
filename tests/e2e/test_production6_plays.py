"""Production 6 plays from data.vtl: the picture changes with the music (a still picture early
on, the tunnel later), and Escape ends the run cleanly."""
import os
import subprocess
import sys
import time

import player
import x11

TITLE = "Cindercoil"


def mean_brightness(path):
    result = subprocess.run(["convert", path, "-colorspace", "gray", "-format", "%[fx:mean]",
                             "info:"], check=True, capture_output=True, text=True)
    return float(result.stdout)


def difference(path_a, path_b):
    """Root-mean-square difference of two screenshots, 0 (same) to 1."""
    result = subprocess.run(["compare", "-metric", "RMSE", path_a, path_b, "null:"],
                            capture_output=True, text=True)
    return float(result.stderr.split("(")[1].split(")")[0])


def main():
    run = player.Player()
    shots = [os.path.join(player.BINARY_DIR, f"e2e-production6-{n}.png") for n in range(2)]
    try:
        player.answer_dialog_if_shown(TITLE)
        window_id = player.wait_for_player_window(run, TITLE)
        player.check(window_id is not None, "no player window; output:\n" + run.output())
        started = time.time()
        # The still picture after its fade-in, then the tunnel once the second intro began.
        for shot, at in zip(shots, (9.0, 20.0)):
            time.sleep(max(0.0, started + at - time.time()))
            x11.screenshot(shot)
        player.check(run.process.poll() is None, "player ended early:\n" + run.output())
        for shot in shots:
            player.check(mean_brightness(shot) > 0.02, f"{shot} is black")
        change = difference(shots[0], shots[1])
        player.check(change > 0.05, f"the picture hardly changed between the shots ({change})")
        x11.press_key(window_id, "Escape")
        code = run.wait(60)
        player.check(code == 0, f"exit code {code}; output:\n{run.output()}")
        player.check("Error in file" not in run.output(), "fatal error:\n" + run.output())
    finally:
        run.close()


if __name__ == "__main__":
    sys.exit(main())
