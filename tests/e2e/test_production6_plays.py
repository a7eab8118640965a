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
        window_id = run.window_after_dialog(TITLE)
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
        run.quit_with_escape(window_id)
    finally:
        run.close()


if __name__ == "__main__":
    sys.exit(main())
