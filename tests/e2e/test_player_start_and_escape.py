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
        dialog_id = player.answer_dialog_if_shown(TITLE)
        window_id = run.wait_for_window(TITLE, dialog_id)
        player.check(window_id is not None, "no player window; output:\n" + run.output())
        time.sleep(2)
        x11.screenshot(os.path.join(player.BINARY_DIR, "e2e-player-running.png"))
        run.quit_with_escape(window_id)
    finally:
        run.close()

if __name__ == "__main__":
    sys.exit(main())
