"""Leaving the start-up dialog with Escape prints "Bye!" and ends the player with code 0 before
any window of its own opens."""
import sys

import player
import x11

TITLE = "Cindercoil"


def main():
    run = player.Player()
    try:
        dialog = x11.wait_for_window(TITLE, 30)
        player.check(dialog is not None, "no dialog; output:\n" + run.output())
        x11.press_key(dialog, "Escape")
        code = run.wait(30)
        player.check(code == 0, f"exit code {code}; output:\n{run.output()}")
        player.check("Bye!" in run.output(), "no Bye!; output:\n" + run.output())
        player.check(x11.find_window(TITLE) is None, "a window is left")
    finally:
        run.close()


if __name__ == "__main__":
    sys.exit(main())
