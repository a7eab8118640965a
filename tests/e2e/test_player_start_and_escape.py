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
        window_id = run.window_after_dialog(TITLE)
        time.sleep(20)  # past the loading (Escape there ends the run with exit code 1)
        x11.screenshot(os.path.join(player.BINARY_DIR, "e2e-player-running.png"))
        run.quit_with_escape(window_id)
    finally:
        run.close()

if __name__ == "__main__":
    sys.exit(main())
