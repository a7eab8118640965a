"""Production 6 plays its whole show from data.vtl and ends by itself with exit code 0: the
opening picture, the text-mode screen, the lit stage, and the closing picture. Screenshots every
few seconds are kept in the build folder (e2e-show-NNN.png) for a person to look at."""
import os
import subprocess
import sys
import time

import player
import x11
from productions import difference, mean_brightness

TITLE = "Cindercoil"
SHOW_SECONDS = 181      # 416 beats at 140 a minute and the closing chord
EVERY = 8.0


def main():
    run = player.Player()
    shots = []
    try:
        window_id = run.window_after_dialog(TITLE)
        player.check(window_id is not None, "no window")
        started = time.time()
        while run.process.poll() is None and time.time() - started < SHOW_SECONDS + 90:
            shot = os.path.join(player.BINARY_DIR, f"e2e-show-{len(shots) * int(EVERY):03d}.png")
            try:
                x11.screenshot(shot)
                shots.append(shot)
            except subprocess.CalledProcessError:
                break  # the window went away between the poll and the shot
            time.sleep(max(0.0, started + len(shots) * EVERY - time.time()))
        code = run.wait(60)
        output = run.output()
        player.check(code == 0, f"exit code {code}; output:\n{output}")
        for bad in ("Error in file", "Caught exception", "Caught Exception"):
            player.check(bad not in output, f"'{bad}' in the output:\n{output}")
        elapsed = time.time() - started
        player.check(elapsed > SHOW_SECONDS - 10, f"the show ended after {elapsed:.0f} s")
        lit = [s for s in shots if mean_brightness(s) > 0.03]
        player.check(len(lit) >= len(shots) * 2 // 3, f"only {len(lit)} of {len(shots)} shots show anything")
        changes = sum(difference(a, b) > 0.05 for a, b in zip(shots, shots[1:]))
        player.check(changes >= len(shots) // 2, f"the picture changed only {changes} times")
        print(f"{len(shots)} shots, {changes} changes, {elapsed:.0f} s")
    finally:
        run.close()


if __name__ == "__main__":
    sys.exit(main())
