"""Small helpers to drive programs on an X display as a person would.

xdotool's name search misses SDL's UTF-8 window names, so windows are found in the tree that
xwininfo prints and addressed by id.
"""
import re
import subprocess
import time

_WINDOW_LINE = re.compile(r'^\s*(0x[0-9a-f]+) "(.*)":')


def named_windows():
    """Returns (id, name) of every named window on the display."""
    tree = subprocess.run(["xwininfo", "-root", "-tree"], capture_output=True, text=True).stdout
    windows = []
    for line in tree.splitlines():
        match = _WINDOW_LINE.match(line)
        if match:
            windows.append((match.group(1), match.group(2)))
    return windows


def is_viewable(window_id):
    info = subprocess.run(["xwininfo", "-id", window_id], capture_output=True, text=True).stdout
    return "IsViewable" in info


def find_window(name):
    """A shown window of that name: one that is named but not yet mapped cannot take the focus."""
    for window_id, window_name in named_windows():
        if window_name == name and is_viewable(window_id):
            return window_id
    return None


def wait_for_window(name, timeout=30.0):
    deadline = time.time() + timeout
    while time.time() < deadline:
        window_id = find_window(name)
        if window_id:
            return window_id
        time.sleep(0.1)
    return None


def press_key(window_id, key):
    subprocess.run(["xdotool", "windowfocus", "--sync", window_id, "key", key],
                   capture_output=True, timeout=10)


def process_of(window_id):
    """The process id a window names in its _NET_WM_PID property, or None."""
    text = subprocess.run(["xprop", "-id", window_id, "_NET_WM_PID"], capture_output=True,
                          text=True).stdout
    value = text.split("=")[-1].strip()
    return int(value) if value.isdigit() else None


def press_key_in_window_of_process(pid, key):
    """Presses the key in the first shown, named window of that process; False if none."""
    for window_id, _ in named_windows():
        if is_viewable(window_id) and process_of(window_id) == pid:
            press_key(window_id, key)
            return True
    return False


def screenshot(path):
    subprocess.run(["import", "-window", "root", path], check=True, capture_output=True)


def window_size(window_id):
    """(width, height) of a window, from xwininfo."""
    info = subprocess.run(["xwininfo", "-id", window_id], capture_output=True, text=True).stdout
    width = re.search(r"Width: (\d+)", info)
    height = re.search(r"Height: (\d+)", info)
    return int(width.group(1)), int(height.group(1))
