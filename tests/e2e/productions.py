"""Builds a production in a folder of its own (the production number is a build option), packs
its data.vtl there, and compares screenshots of its run."""
import os
import shutil
import subprocess
import time

import picture
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


def loading_screen(marks, first_show):
    """The lit pixels of the loading screen: what shows first, up to the first dark shot, at its
    fullest (its first shot may catch it still fading in)."""
    seen = []
    for at, _, lit in marks:
        if at >= first_show or (seen and not lit):
            break
        if lit:
            seen.append(lit)
    return max(seen, key=len)


def show_times(shots):
    """(show seconds, path) for (seconds after the window appeared, path). A loading screen is a
    small mark on black (the first lit picture) that fades out in place; the show begins after
    its last picture before the first one with a large lit part. Good to a second or so."""
    marks = []
    for at, path in shots:
        small = picture.Picture(path, 160, 90)
        marks.append((at, path, {i for i, p in enumerate(small.pixels) if picture.is_lit(p)}))
    first_show = next((at for at, _, lit in marks if len(lit) >= 0.08 * 160 * 90), None)
    player.check(first_show is not None, "no shot shows anything")
    before = [(at, lit) for at, _, lit in marks if at < first_show and lit]
    start = 0.0
    if before:
        screen = loading_screen(marks, first_show)
        loading = [at for at, lit in before if len(lit & screen) >= 0.8 * len(lit)]
        start = next(at for at, _, _ in marks if at > loading[-1])
    return [(at - start, path) for at, path, _ in marks]


def check_lit_before_the_end(shots, ended, seconds):
    """The shot taken nearest to that many seconds before the player ended shows a picture:
    the song's last seconds are a scene or a fade, not tracks that ran out."""
    player.check(bool(shots), "no screenshot of the last seconds")
    at, path = min(shots, key=lambda shot: abs(ended - shot[0] - seconds))
    before = ended - at
    player.check(abs(before - seconds) < 1.0, f"no screenshot near {seconds} s before the end")
    player.check(mean_brightness(path) > 0.01, f"{path}, {before:.1f} s before the end, is black")


def play_to_the_end(production, title, song_seconds, moments, every=1.0,
                    lit_until_seconds_before_end=None):
    """Builds, packs and plays the production from its own folder, with a screenshot every
    second; the player must end by itself once the song is over, with exit code 0. With
    lit_until_seconds_before_end, the shot that many seconds before the end must show a
    picture. For each
    moment (name, from, to, element check), some screenshot between `from` and `to` seconds of
    the show must show the element: the check takes a picture.Picture and returns whether the
    element is there and the measure that says so. That shot is kept as
    e2e-production<N>-<name>.png, and each kept shot must differ from the one before. Returns
    the kept shots by name."""
    folder = build_and_pack(production)
    run = player.Player(os.path.join(folder, "player"), cwd=folder)
    scratch = os.path.join(player.BINARY_DIR, f"e2e-production{production}-shots")
    shutil.rmtree(scratch, ignore_errors=True)
    os.makedirs(scratch)
    shots = []
    try:
        run.window_after_dialog(title)
        started = time.time()
        while run.process.poll() is None and time.time() - started < song_seconds + 60.0:
            path = os.path.join(scratch, f"{len(shots):04d}.png")
            try:
                x11.screenshot(path)
            except subprocess.CalledProcessError:
                break  # the window went away between the poll and the shot
            # The server grabs the picture once it is free to, which a busy frame can delay
            # by seconds: the time after the grab is the nearer one.
            shots.append((time.time() - started, path))
            # Waits for the next shot in small steps, so that the end is seen when it comes.
            while run.process.poll() is None and time.time() < started + len(shots) * every:
                time.sleep(0.05)
        ended = time.time() - started
        code = run.wait(max(1.0, song_seconds + 60.0 - (time.time() - started)))
        player.check(code == 0, f"exit code {code}; output:\n{run.output()}")
        for bad in ("Error in file", "Caught exception", "Caught Exception"):
            player.check(bad not in run.output(), f"'{bad}' in the output:\n{run.output()}")
        played = time.time() - started
        player.check(played > song_seconds - 8.0, f"the show ended after {played:.0f} s")
    finally:
        run.close()
    if lit_until_seconds_before_end is not None:
        check_lit_before_the_end(shots, ended, lit_until_seconds_before_end)
    kept = check_moments(production, show_times(shots), moments)
    shutil.rmtree(scratch)
    return kept


def check_moments(production, timed, moments):
    """Checks each moment against the (show seconds, path) shots; returns the kept shots."""
    kept = {}
    for name, begin, end, check in moments:
        during = [path for at, path in timed if begin <= at <= end]
        measures = []
        for at, path in timed:
            if begin <= at <= end:
                shown, measure = check(picture.Picture(path))
                measures.append(f"{at:.1f} s: {measure:.3f}")
                if shown and name not in kept:
                    kept[name] = shot_path(production, name)
                    shutil.copy(path, kept[name])
        player.check(name in kept, f"no shot between {begin} and {end} s of the show has the "
                                   f"{name}: {', '.join(measures) or 'no shots'}")
        # A show that stopped on one picture is frozen, whatever that picture holds.
        if len(during) > 1:
            change = max(difference(during[0], path) for path in during[1:])
            player.check(change > 0.002, f"the picture stood still from {begin} to {end} s of "
                                         f"the show ({len(during)} shots)")
    names = [name for name, _, _, _ in moments]
    for a, b in zip(names, names[1:]):
        change = difference(kept[a], kept[b])
        player.check(change > 0.03, f"the picture hardly changed from {a} to {b} ({change})")
    return kept
