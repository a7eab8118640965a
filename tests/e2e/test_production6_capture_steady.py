"""Two AVI captures of production 6's first seconds at 640 x 360 hold the same frames, one of
them made while busy loops slow the drawing: frame N of a capture shows the show at N / 30 s,
however long the frames took. The stretch runs into the text-mode rotozoom (10.3-13.7 s) and the
fire on the monitor's screen after it, whose steps once followed the wall clock.

The frames are compared by ffmpeg's per-frame checksums. Needs the capture player build
(<build>/capture, or PLAYER_AVI_BINARY_DIR) and <build>/data.vtl of production 6; without them
the test is skipped (exit code 77)."""
import os
import shutil
import subprocess
import sys
import tempfile

import capture
import player

TITLE = "Cindercoil"
SKIP = 77
SIZE = (640, 360)
FRAMES = 450                 # 15 s at 30 frames a second
BUSY_LOOPS = max(2, os.cpu_count() or 2)
CAPTURE_TIMEOUT = 240


def capture_frames(binary, data, work, busy):
    """Captures in `work` until the file holds FRAMES frames, with `busy` busy loops running;
    returns the AVI's path and the seconds it took."""
    loops = [subprocess.Popen([sys.executable, "-c", "while True: pass"]) for _ in range(busy)]
    run = None
    try:
        run = capture.Capture(binary, data, work, TITLE)
        avi = run.part(1)
        # The file grows by a frame and its audio at a time; a few frames to spare.
        enough = (FRAMES + 5) * capture.frame_bytes(*SIZE)
        seconds = capture.wait_until(lambda: os.path.exists(avi) and os.path.getsize(avi) >= enough,
                                     run, CAPTURE_TIMEOUT, "the capture")
        run.finish()
        return avi, seconds
    finally:
        for loop in loops:
            loop.kill()
            loop.wait()
        if run:
            run.close()


def frame_sums(avi):
    """The checksums of the first FRAMES frames, which must be of the capture size."""
    result = subprocess.run(["ffmpeg", "-v", "error", "-i", avi, "-map", "0:v:0", "-frames:v",
                             str(FRAMES), "-f", "framemd5", "-"], capture_output=True, text=True)
    player.check(result.returncode == 0, f"ffmpeg refused {avi}: {result.stderr}")
    lines = result.stdout.splitlines()
    player.check(f"#dimensions 0: {SIZE[0]}x{SIZE[1]}" in lines, f"not {SIZE}: {lines[:8]}")
    sums = [line.split(",")[-1].strip() for line in lines if line and not line.startswith("#")]
    player.check(len(sums) == FRAMES, f"{len(sums)} frames in {avi}")
    return sums


def main():
    binary = capture.binary_of(player.BINARY_DIR)
    data = os.path.join(player.BINARY_DIR, "data.vtl")
    if not os.path.exists(binary) or not os.path.exists(data) or not shutil.which("ffmpeg"):
        print(f"skipped: no capture build at {binary}, no {data} or no ffmpeg")
        return SKIP
    server = capture.start_display(*SIZE)
    folders = [tempfile.mkdtemp(prefix="steady-"), tempfile.mkdtemp(prefix="loaded-")]
    try:
        steady, steady_seconds = capture_frames(binary, data, folders[0], 0)
        loaded, loaded_seconds = capture_frames(binary, data, folders[1], BUSY_LOOPS)
        a, b = frame_sums(steady), frame_sums(loaded)
        differing = [n for n in range(FRAMES) if a[n] != b[n]]
        player.check(not differing, f"{len(differing)} of {FRAMES} frames differ, the first at "
                     f"frame {differing[0] if differing else 0}")
        # Distinct pictures: a frozen or black capture would pass the comparison.
        player.check(len(set(a)) > FRAMES // 3, f"only {len(set(a))} distinct frames")
        print(f"{FRAMES} frames alike; captured in {steady_seconds:.0f} s and, under "
              f"{BUSY_LOOPS} busy loops, {loaded_seconds:.0f} s")
    finally:
        for folder in folders:
            shutil.rmtree(folder, ignore_errors=True)
        capture.stop_display(server)


if __name__ == "__main__":
    sys.exit(main())
