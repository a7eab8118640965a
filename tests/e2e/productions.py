"""Builds a production in a folder of its own (the production number is a build option), packs
its data.vtl there, and compares screenshots of its run."""
import os
import subprocess
import time

import player
import x11


def build_dir(production):
    """The working folder of the production's players: the build folder holds production 6,
    its subfolder pN/ any other production N."""
    if production == 6:
        return player.BINARY_DIR
    return os.path.join(player.BINARY_DIR, f"p{production}")


def build_and_pack(production):
    """Builds the production's players (incrementally) and packs its data.vtl; returns their
    folder."""
    folder = build_dir(production)
    suffix = "" if production == 6 else f"-p{production}"
    jobs = str(os.cpu_count() or 2)
    for command in (["cmake", "--build", player.BINARY_DIR, "-j", jobs, "--target",
                     "player" + suffix, "player-pack" + suffix],
                    ["bash", os.path.join(player.SOURCE_DIR, "tools", "make-datavtl.sh"), folder]):
        result = subprocess.run(command, capture_output=True, text=True)
        player.check(result.returncode == 0,
                     f"{' '.join(command)} failed:\n{result.stdout[-3000:]}{result.stderr[-3000:]}")
    player.check(os.path.exists(os.path.join(folder, "data.vtl")), "no data.vtl was packed")
    return folder


def mean_brightness(path):
    result = subprocess.run(["convert", path, "-colorspace", "gray", "-format", "%[fx:mean]",
                             "info:"], check=True, capture_output=True, text=True)
    return float(result.stdout)


def difference(path_a, path_b):
    """Root-mean-square difference of two screenshots, 0 (same) to 1."""
    result = subprocess.run(["compare", "-metric", "RMSE", path_a, path_b, "null:"],
                            capture_output=True, text=True)
    return float(result.stderr.split("(")[1].split(")")[0])


def shot_path(production, name):
    return os.path.join(player.BINARY_DIR, f"e2e-production{production}-{name}.png")


def shoot_until_the_end(run, production, timeout):
    """Screenshots one after another until the player ends; returns (path, seconds before the
    end) of each."""
    taken = []
    deadline = time.time() + timeout
    while run.process.poll() is None and time.time() < deadline:
        path = shot_path(production, f"last-{len(taken):02}")
        x11.screenshot(path)
        taken.append((path, time.time()))
    ended = time.time()
    return [(path, ended - at) for path, at in taken]


def check_lit_before_the_end(shots_to_the_end, seconds):
    """The shot taken nearest to that many seconds before the player ended shows a picture:
    the song's last seconds are a scene or a fade, not tracks that ran out."""
    player.check(shots_to_the_end, "no screenshot of the last seconds")
    path, before = min(shots_to_the_end, key=lambda shot: abs(shot[1] - seconds))
    for other, _ in shots_to_the_end:
        if other != path:
            os.unlink(other)
    player.check(abs(before - seconds) < 1.0, f"no screenshot near {seconds} s before the end")
    player.check(mean_brightness(path) > 0.01, f"{path}, {before:.1f} s before the end, is black")


def play_to_the_end(production, title, song_seconds, shots, lit_until_seconds_before_end=None):
    """Builds, packs and plays the production from its own folder, taking a screenshot at each
    (name, seconds after the window appeared); the player must end by itself once the song is
    over, with exit code 0, and every screenshot must show something and differ from the one
    before. With lit_until_seconds_before_end, screenshots go on to the end and the one that
    many seconds before it must show a picture. Returns the screenshot paths by name."""
    folder = build_and_pack(production)
    run = player.Player(os.path.join(folder, "player"), cwd=folder)
    paths = {name: shot_path(production, name) for name, _ in shots}
    try:
        run.window_after_dialog(title)
        started = time.time()
        for name, at in shots:
            time.sleep(max(0.0, started + at - time.time()))
            player.check(run.process.poll() is None, "player ended early:\n" + run.output())
            x11.screenshot(paths[name])
        if lit_until_seconds_before_end is not None:
            to_the_end = shoot_until_the_end(run, production, song_seconds + 30.0 - (time.time() - started))
        code = run.wait(song_seconds + 30.0 - (time.time() - started))
        player.check(code == 0, f"exit code {code}; output:\n{run.output()}")
        player.check("Error in file" not in run.output(), "fatal error:\n" + run.output())
        played = time.time() - started
        player.check(played > song_seconds - 8.0, f"the show ended after {played:.0f} s")
    finally:
        run.close()
    for name, _ in shots:
        player.check(mean_brightness(paths[name]) > 0.01, f"{paths[name]} is black")
    if lit_until_seconds_before_end is not None:
        check_lit_before_the_end(to_the_end, lit_until_seconds_before_end)
    names = [name for name, _ in shots]
    for a, b in zip(names, names[1:]):
        change = difference(paths[a], paths[b])
        player.check(change > 0.03, f"the picture hardly changed from {a} to {b} ({change})")
    return paths
