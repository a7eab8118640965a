"""Runs the capture player (the build with the dialog's "Get &avi" button: <build>/capture for the
configured production, <build>/pN/capture for any other production N) and reads what it wrote.

The player writes "<title>.01.avi", "<title>.02.avi", ... in its working folder, each part up to
1.8 GB, at 30 frames a second of show time whatever the machine's speed."""
import json
import os
import re
import subprocess
import time

import player
import x11

FRAMES_PER_SECOND = 30
# The titles of the productions: the start-up dialog and the window carry them, and the AVI
# parts are named after them.
TITLES = {0: "Internal debug", 3: "murrow - tidewheel", 4: "murrow - saltglass",
          5: "GLIMF 2019", 6: "Cindercoil"}


def frame_bytes(width, height):
    """What an AVI part grows by for each frame: the frame's pixels and its audio."""
    return width * height * 3 + 44100 * 4 // FRAMES_PER_SECOND


def binary_of(folder):
    """The capture player of the production that plays in this player folder."""
    if os.environ.get("PLAYER_AVI_BINARY_DIR") and folder == player.BINARY_DIR:
        return os.path.join(os.environ["PLAYER_AVI_BINARY_DIR"], "player")
    return os.path.join(folder, "capture", "player")


def production_of(folder):
    with open(os.path.join(folder, "production")) as text:
        return int(text.read())


def start_display(width, height):
    """A virtual display of its own at the capture size (the dialog offers its one mode); sets
    DISPLAY to it and returns the server's process."""
    read_end, write_end = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                               f"{width}x{height}x24", "-noreset", "-nolisten", "tcp"],
                              pass_fds=(write_end,), stderr=subprocess.DEVNULL)
    os.close(write_end)
    number = b""
    while not number.endswith(b"\n"):
        chunk = os.read(read_end, 16)
        player.check(chunk, "Xvfb did not start")
        number += chunk
    os.close(read_end)
    os.environ["DISPLAY"] = ":" + number.decode().strip()
    return server


def stop_display(server):
    server.kill()
    server.wait()


class Capture:
    """A capture player started in `work` (which gets a link to `data`), with "Get &avi"
    pressed in its dialog and its window shown."""

    def __init__(self, binary, data, work, title, timeout=60.0):
        self.work = work
        self.title = title
        os.symlink(data, os.path.join(work, "data.vtl"))
        self.run = player.Player(name=binary, cwd=work)  # an absolute name is used as it is
        try:
            dialog = x11.wait_for_window(title, 30)
            player.check(dialog is not None, "no dialog")
            x11.press_key(dialog, "alt+a")
            self.window = self.run.wait_for_window(title, dialog, timeout)
            player.check(self.window is not None, "no player window; output:\n" + self.run.output())
        except BaseException:
            self.run.close()
            raise

    def part(self, number):
        return os.path.join(self.work, f"{self.title}.{number:02}.avi")

    def parts(self):
        """The AVI parts in the working folder, in order (parts taken away are not listed)."""
        named = re.compile(re.escape(self.title) + r"\.\d\d\.avi")
        return sorted(os.path.join(self.work, name) for name in os.listdir(self.work)
                      if named.fullmatch(name))

    def running(self):
        return self.run.process.poll() is None

    def finish(self):
        """Ends the capture with Escape, or waits for the end of a show that ended by itself;
        either way the player must have closed the AVI cleanly."""
        if self.running():
            self.run.quit_with_escape(self.window)
        else:
            code = self.run.wait()
            player.check(code == 0, f"exit code {code}; output:\n{self.run.output()}")
        player.check("Finished AVI writing" in self.run.output(), self.run.output())

    def close(self):
        self.run.close()


def probe(path):
    """ffprobe's streams and format of a file, as a dict."""
    result = subprocess.run(["ffprobe", "-v", "error", "-show_streams", "-show_format", "-of",
                             "json", path], capture_output=True, text=True)
    player.check(result.returncode == 0, f"ffprobe refused {path}: {result.stderr}")
    return json.loads(result.stdout)


def counted_frames(path):
    """The video frames of a file, counted by decoding its packets (any container)."""
    result = subprocess.run(["ffprobe", "-v", "error", "-select_streams", "v:0", "-count_packets",
                             "-show_entries", "stream=nb_read_packets", "-of", "csv=p=0", path],
                            capture_output=True, text=True)
    player.check(result.returncode == 0, f"ffprobe refused {path}: {result.stderr}")
    return int(result.stdout.strip())


def wait_until(condition, capture, timeout, what):
    """Polls `condition` while the capture runs; fails past `timeout` seconds."""
    started = time.time()
    while not condition():
        player.check(capture.running(), f"the capture ended early:\n{capture.run.output()}")
        player.check(time.time() - started < timeout, f"{what} took over {timeout:.0f} s")
        time.sleep(0.2)
    return time.time() - started
