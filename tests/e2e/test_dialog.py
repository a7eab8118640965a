"""Leaving the start-up dialog with Escape prints "Bye!" and ends the player with code 0 before
any window of its own opens."""
import subprocess
import sys
import time

import player
import x11

TITLE = "Cindercoil"


def wait_for_own_window(pid, timeout):
    """The shown window of that title made by this process, not one another run leaves behind."""
    deadline = time.time() + timeout
    while time.time() < deadline:
        for window_id, name in x11.named_windows():
            if name != TITLE or not x11.is_viewable(window_id):
                continue
            owner = subprocess.run(["xdotool", "getwindowpid", window_id], capture_output=True, text=True)
            if owner.stdout.strip() == str(pid):
                return window_id
        time.sleep(0.1)
    return None


def main():
    run = player.Player()
    try:
        dialog = wait_for_own_window(run.process.pid, 30)
        player.check(dialog is not None, "no dialog; output:\n" + run.output())
        x11.press_key(dialog, "Escape")
        code = run.wait(30)
        player.check(code == 0, f"exit code {code}; output:\n{run.output()}")
        player.check("Bye!" in run.output(), "no Bye!; output:\n" + run.output())
        player.check(wait_for_own_window(run.process.pid, 0.5) is None, "a window is left")
    finally:
        run.close()


if __name__ == "__main__":
    sys.exit(main())
