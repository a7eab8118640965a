"""Without a display the start-up dialog cannot be made: the player says so, says "Bye!" and
ends with code 1 before opening anything."""
import os
import subprocess
import sys

import player


def main():
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    result = subprocess.run([player.binary()], cwd=player.SOURCE_DIR, env=env, capture_output=True,
                            text=True, timeout=60)
    output = result.stdout
    player.check(result.returncode == 1, f"exit code {result.returncode}; output:\n{output}")
    failed = output.find("] -1 returned, last error is ")
    bye = output.find("] Bye!\n")
    player.check(0 <= failed < bye, "expected the -1 line, then Bye!; output:\n" + output)
    player.check("Error in file" not in output, "fatal error:\n" + output)


if __name__ == "__main__":
    sys.exit(main())
