"""Runs the real player binary on the test display and collects what it printed."""
import os
import subprocess
import tempfile
import time

import x11

SOURCE_DIR = os.environ.get("PLAYER_SOURCE_DIR", os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..")))
BINARY_DIR = os.environ.get("PLAYER_BINARY_DIR", os.path.join(SOURCE_DIR, "build"))


def binary(name="player"):
    return os.path.join(BINARY_DIR, name)


class Player:
    """A running player whose standard output goes to a file (read with output()). It plays
    from its build folder, where tools/make-datavtl.sh puts that build's data.vtl."""

    def __init__(self, name="player", cwd=BINARY_DIR):
        self._log = tempfile.NamedTemporaryFile(prefix="player-", suffix=".log", delete=False)
        self.process = subprocess.Popen(["stdbuf", "-oL", binary(name)], cwd=cwd,
                                        stdout=self._log, stderr=subprocess.STDOUT)

    def output(self):
        with open(self._log.name, errors="replace") as log:
            return log.read()

    def wait_for_output(self, text, timeout=60.0):
        deadline = time.time() + timeout
        while time.time() < deadline:
            if text in self.output():
                return True
            if self.process.poll() is not None:
                return text in self.output()
            time.sleep(0.1)
        return False

    def wait(self, timeout=60.0):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
            raise AssertionError("player did not end in time; output:\n" + self.output())

    def wait_for_window(self, title, dialog_id=None, timeout=60.0):
        """The player's own window, shown once the start-up dialog (same title) is gone."""
        deadline = time.time() + timeout
        while time.time() < deadline and self.process.poll() is None:
            window_id = x11.find_window(title)
            if window_id and window_id != dialog_id:
                return window_id
            time.sleep(0.2)
        return None

    def window_after_dialog(self, title):
        """Answers the start-up dialog and returns the player's window, which must appear."""
        dialog_id = answer_dialog_if_shown(title)
        window_id = self.wait_for_window(title, dialog_id)
        check(window_id is not None, "no player window; output:\n" + self.output())
        return window_id

    def quit_with_escape(self, window_id):
        """Escape ends the run through the normal shut-down: exit code 0, no fatal error."""
        x11.press_key(window_id, "Escape")
        code = self.wait(60)
        check(code == 0, f"exit code {code}; output:\n{self.output()}")
        check("Error in file" not in self.output(), "fatal error:\n" + self.output())

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        os.unlink(self._log.name)


def answer_dialog_if_shown(title, timeout=5.0):
    """The start-up dialog is titled with the production title: Enter runs the production."""
    window_id = x11.wait_for_window(title, timeout)
    if window_id:
        x11.press_key(window_id, "Return")
    return window_id


def answer_error_box(run, timeout=10.0):
    """Finds the fatal error's box by its caption, answers OK as a person would, and returns the
    player's exit code and output."""
    box = None
    deadline = time.time() + timeout
    while box is None and time.time() < deadline:
        box = next((wid for wid, name in x11.named_windows() if name.startswith("Error in file")), None)
        time.sleep(0.1)
    check(box is not None, "no error box was shown; output:\n" + run.output())
    x11.press_key(box, "Return")
    return run.wait(30), run.output()


def check(condition, message):
    if not condition:
        raise AssertionError(message)
