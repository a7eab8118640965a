"""Leaving the start-up dialog as a person or the system would (Escape, a session manager's or
`timeout`'s SIGTERM, a terminal's Ctrl+C) prints "Bye!" and ends the player with code 0 before
any window of its own opens. Once the dialog is answered, SIGTERM still ends the run through
its clean shut-down."""
import signal
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


WAYS_OUT = [
    ("Escape", lambda run, dialog: x11.press_key(dialog, "Escape")),
    ("SIGTERM", lambda run, dialog: run.process.send_signal(signal.SIGTERM)),
    ("SIGINT", lambda run, dialog: run.process.send_signal(signal.SIGINT)),
]


def leave_dialog(name, leave):
    run = player.Player()
    try:
        dialog = wait_for_own_window(run.process.pid, 30)
        player.check(dialog is not None, f"{name}: no dialog; output:\n" + run.output())
        leave(run, dialog)
        code = run.wait(30)
        player.check(code == 0, f"{name}: exit code {code}; output:\n{run.output()}")
        player.check("Bye!" in run.output(), f"{name}: no Bye!; output:\n" + run.output())
        player.check(wait_for_own_window(run.process.pid, 0.5) is None, f"{name}: a window is left")
    finally:
        run.close()


def terminate_after_dialog():
    """The dialog's own signal watch is gone with it: SIGTERM reaches the window layer, which
    ends the run with code 0 rather than the signal killing the process."""
    run = player.Player()
    try:
        run.window_after_dialog(TITLE)
        run.process.send_signal(signal.SIGTERM)
        code = run.wait(60)
        player.check(code == 0, f"SIGTERM after the dialog: exit code {code}; output:\n{run.output()}")
    finally:
        run.close()


def main():
    for name, leave in WAYS_OUT:
        leave_dialog(name, leave)
    terminate_after_dialog()


if __name__ == "__main__":
    sys.exit(main())
