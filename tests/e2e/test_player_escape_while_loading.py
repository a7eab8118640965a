"""The loading screen shows while the player starts; Escape held during loading ends the
process at once with exit code 1, before any playback."""
import os
import subprocess
import sys

import player
import x11

TITLE = "Cindercoil"


def brightest_level(path):
    """The largest channel value of the picture, 0 to 1 (ImageMagick)."""
    result = subprocess.run(["convert", path, "-format", "%[fx:maxima]", "info:"],
                            capture_output=True, text=True, check=True)
    return float(result.stdout.strip())


def main():
    run = player.Player()
    try:
        window_id = run.window_after_dialog(TITLE)
        # The production holds its loading screen for a second after the data is read.
        shot = os.path.join(player.BINARY_DIR, "e2e-loading-screen.png")
        x11.screenshot(shot)
        player.check(brightest_level(shot) > 0.5, "the loading screen is black")
        # The key is looked at as it is at each redraw, so it is held down, not tapped.
        subprocess.run(["xdotool", "windowfocus", "--sync", window_id, "keydown", "Escape"],
                       capture_output=True, timeout=10)
        try:
            code = run.wait(20)
        finally:
            subprocess.run(["xdotool", "keyup", "Escape"], capture_output=True, timeout=10)
        player.check(code == 1, f"exit code {code}; output:\n{run.output()}")
        player.check("Error in file" not in run.output(), "fatal error:\n" + run.output())
    finally:
        run.close()


if __name__ == "__main__":
    sys.exit(main())
