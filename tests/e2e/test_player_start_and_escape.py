"""The real player starts from data.vtl, opens its window, and Escape, pressed once the show
plays, ends it cleanly (Escape during loading ends the run with exit code 1 instead)."""
import os
import sys
import time

import player
import productions
import x11

TITLE = "Cindercoil"


def wait_until_past_the_loading_screen(run, timeout=180.0):
    """The loading screen is a logo and a bar on black; the show opens on a lit picture."""
    shot = os.path.join(player.BINARY_DIR, "e2e-player-running.png")
    deadline = time.time() + timeout
    while time.time() < deadline and run.process.poll() is None:
        time.sleep(1.0)
        x11.screenshot(shot)
        if productions.mean_brightness(shot) > 0.1:
            return
    player.check(False, "the show did not begin; output:\n" + run.output())


def main():
    run = player.Player()
    try:
        window_id = run.window_after_dialog(TITLE)
        wait_until_past_the_loading_screen(run)
        run.quit_with_escape(window_id)
    finally:
        run.close()


if __name__ == "__main__":
    sys.exit(main())
