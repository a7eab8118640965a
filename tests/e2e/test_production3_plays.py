"""Production 3 ("murrow - tidewheel") is built in a folder of its own (the production number is
a build option), packs its own data.vtl there and plays it under the test display to the end
of its one-minute song: the picture follows the music (glowing shapes with the title, the wall
of boxes with the names, both together, the shapes again at the end) and the player ends by
itself with exit code 0. Takes about two minutes once the production 3 build is up to date."""
import os
import subprocess
import sys
import time

import player
import x11

TITLE = "murrow - tidewheel"
BUILD_DIR = os.environ.get("PLAYER_P3_BINARY_DIR", os.path.join(player.SOURCE_DIR, "build-p3"))
SONG_SECONDS = 60.0
# Seconds after the window appears (the loading hold is one second): title over the shapes,
# names over the growing wall, the wall pulsing on the beat, shapes and wall together under the
# kaleidoscope, the closing title.
SHOTS = [("title", 4.0), ("wall", 13.0), ("pulse", 27.0), ("both", 36.0), ("end", 58.0)]


def build_production3():
    """Configures and builds the production 3 player (an incremental build when it exists)
    and packs its data.vtl."""
    jobs = str(os.cpu_count() or 2)
    for command in (["cmake", "-S", player.SOURCE_DIR, "-B", BUILD_DIR, "-DPLAYER_PRODUCTION=3",
                     "-DCMAKE_BUILD_TYPE=RelWithDebInfo"],
                    ["cmake", "--build", BUILD_DIR, "-j", jobs, "--target", "player", "player-pack"],
                    ["bash", os.path.join(player.SOURCE_DIR, "tools", "make-datavtl.sh"), BUILD_DIR]):
        result = subprocess.run(command, capture_output=True, text=True)
        player.check(result.returncode == 0,
                     f"{' '.join(command)} failed:\n{result.stdout[-3000:]}{result.stderr[-3000:]}")


def mean_brightness(path):
    result = subprocess.run(["convert", path, "-colorspace", "gray", "-format", "%[fx:mean]",
                             "info:"], check=True, capture_output=True, text=True)
    return float(result.stdout)


def difference(path_a, path_b):
    """Root-mean-square difference of two screenshots, 0 (same) to 1."""
    result = subprocess.run(["compare", "-metric", "RMSE", path_a, path_b, "null:"],
                            capture_output=True, text=True)
    return float(result.stderr.split("(")[1].split(")")[0])


def main():
    build_production3()
    player.check(os.path.exists(os.path.join(BUILD_DIR, "data.vtl")), "no data.vtl was packed")
    run = player.Player(os.path.join(BUILD_DIR, "player"), cwd=BUILD_DIR)
    shots = {name: os.path.join(player.BINARY_DIR, f"e2e-production3-{name}.png")
             for name, _ in SHOTS}
    try:
        run.window_after_dialog(TITLE)
        started = time.time()
        for name, at in SHOTS:
            time.sleep(max(0.0, started + at - time.time()))
            player.check(run.process.poll() is None, "player ended early:\n" + run.output())
            x11.screenshot(shots[name])
        code = run.wait(SONG_SECONDS + 30.0 - (time.time() - started))
        player.check(code == 0, f"exit code {code}; output:\n{run.output()}")
        player.check("Error in file" not in run.output(), "fatal error:\n" + run.output())
        played = time.time() - started
        player.check(played > SONG_SECONDS - 5.0, f"the show ended after {played:.0f} s")
        for name, _ in SHOTS:
            player.check(mean_brightness(shots[name]) > 0.01, f"{shots[name]} is black")
        names = [name for name, _ in SHOTS]
        for a, b in zip(names, names[1:]):
            change = difference(shots[a], shots[b])
            player.check(change > 0.03, f"the picture hardly changed from {a} to {b} ({change})")
    finally:
        run.close()


if __name__ == "__main__":
    sys.exit(main())
