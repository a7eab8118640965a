"""A short AVI capture of production 6 ("Get &avi" in the dialog of the capture player, which the
build makes in <build>/capture, or PLAYER_AVI_BINARY_DIR), ended with Escape:
ffprobe reads a 30 frames a second video stream of the window's size and a PCM audio stream.
Without such a build the test is skipped (exit code 77)."""
import os
import shutil
import sys
import tempfile

import capture
import player
import x11

TITLE = "Cindercoil"
SKIP = 77
FRAMES = 5
LOAD_TIMEOUT = 240


def main():
    binary = capture.binary_of(player.BINARY_DIR)
    data = os.path.join(player.BINARY_DIR, "data.vtl")
    if not os.path.exists(binary) or not os.path.exists(data):
        print(f"skipped: no capture build at {binary} or no {data}")
        return SKIP
    work = tempfile.mkdtemp(prefix="avi-")
    run = None
    try:
        run = capture.Capture(binary, data, work, TITLE)
        # Escape while the data still loads ends the player with exit code 1, and loading can
        # take long on a busy machine: the capture is ended once it holds a few frames.
        enough = FRAMES * capture.frame_bytes(*x11.window_size(run.window))
        first = run.part(1)
        capture.wait_until(lambda: os.path.exists(first) and os.path.getsize(first) > enough, run,
                           LOAD_TIMEOUT, "loading and the first frames")
        run.finish()
        files = sorted(f for f in os.listdir(work) if f.endswith(".avi"))
        # A fast start can fill a part (1.8 GB at full-screen size) and roll over to the next.
        player.check(files == [f"{TITLE}.{n:02}.avi" for n in range(1, len(files) + 1)] and files,
                     f"AVI files {files}")
        info = capture.probe(os.path.join(work, files[0]))
        video = [s for s in info["streams"] if s["codec_type"] == "video"]
        audio = [s for s in info["streams"] if s["codec_type"] == "audio"]
        player.check(len(video) == 1 and len(audio) == 1, f"streams {info['streams']}")
        player.check(video[0]["r_frame_rate"] == "30/1", video[0]["r_frame_rate"])
        player.check(int(video[0]["nb_frames"]) >= FRAMES, f"{video[0]['nb_frames']} frames")
        player.check(audio[0]["codec_name"].startswith("pcm_"), audio[0]["codec_name"])
        print(f"{video[0]['nb_frames']} frames of {video[0]['width']}x{video[0]['height']}")
    finally:
        if run:
            run.close()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
