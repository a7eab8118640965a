"""The real player starts from data.vtl, opens its window, and Escape ends it cleanly."""
import os
import sys
import time

import player
import x11

TITLE = "Cindercoil"


def main():
    run = player.Player()
    try:
        player.answer_dialog_if_shown(TITLE)
        window_id = player.wait_for_player_window(run, TITLE)
        player.check(window_id is not None, "no player window; output:\n" + run.output())
        time.sleep(2)
        x11.screenshot(os.path.join(player.BINARY_DIR, "e2e-player-running.png"))
        x11.press_key(window_id, "Escape")
        code = run.wait(60)
        player.check(code == 0, f"exit code {code}; output:\n{run.output()}")
        player.check("Error in file" not in run.output(), "fatal error:\n" + run.output())
    finally:
        run.close()


if __name__ == "__main__":
    sys.exit(main())
