"""Runs the write-mode player on the current display until it has written data.vtl in the
working folder. The start-up dialog is the first window the process shows, whatever the
production's title, and is answered with Enter."""
import os
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import x11  # noqa: E402

binary = sys.argv[1]
log_path = "build-pack.log"
with open(log_path, "w") as log:
    process = subprocess.Popen(["stdbuf", "-oL", binary], stdout=log, stderr=subprocess.STDOUT)
    deadline = time.time() + 600
    answered = False
    try:
        while time.time() < deadline and process.poll() is None:
            with open(log_path) as text:
                output = text.read()
            # A fatal error waits behind its message box: no need to wait for the deadline.
            if "Done writing datafile" in output or "Error in file" in output:
                break
            if not answered:
                answered = x11.press_key_in_window_of_process(process.pid, "Return")
            time.sleep(0.2)
    finally:
        if process.poll() is None:
            process.send_signal(signal.SIGTERM)
            try:
                process.wait(30)
            except subprocess.TimeoutExpired:
                process.kill()
with open(log_path) as text:
    output = text.read()
if "Done writing datafile" not in output or not os.path.exists("data.vtl"):
    sys.stdout.write(output)
    sys.exit("data.vtl was not written")
os.remove(log_path)
