"""A short AVI capture of production 6 ("Get &avi" in the dialog of the capture player, which the
build makes in <build>/capture, or PLAYER_AVI_BINARY_DIR), ended with Escape:
ffprobe reads a 30 frames a second video stream of the window's size and a PCM audio stream.
Without such a build the test is skipped (exit code 77)."""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

import player
import x11

TITLE = "Cindercoil"
SKIP = 77


def probe(path):
    result = subprocess.run(["ffprobe", "-v", "error", "-show_streams", "-show_format", "-of",
                             "json", path], capture_output=True, text=True)
    player.check(result.returncode == 0, f"ffprobe refused {path}: {result.stderr}")
    return json.loads(result.stdout)


def main():
    avi_dir = os.environ.get("PLAYER_AVI_BINARY_DIR", os.path.join(player.BINARY_DIR, "capture"))
    binary = os.path.join(avi_dir, "player")
    data = os.path.join(player.BINARY_DIR, "data.vtl")
    if not os.path.exists(binary) or not os.path.exists(data):
        print(f"skipped: no capture build at {binary} or no {data}")
        return SKIP
    work = tempfile.mkdtemp(prefix="avi-")
    os.symlink(data, os.path.join(work, "data.vtl"))
    run = player.Player(name=binary, cwd=work)  # an absolute name is used as it is
    try:
        dialog = x11.wait_for_window(TITLE, 30)
        player.check(dialog is not None, "no dialog")
        x11.press_key(dialog, "alt+a")
        window = run.wait_for_window(TITLE, dialog, 60)
        player.check(window is not None, "no player window; output:\n" + run.output())
        time.sleep(8)
        run.quit_with_escape(window)
        player.check("Finished AVI writing" in run.output(), run.output())
        files = sorted(f for f in os.listdir(work) if f.endswith(".avi"))
        # A fast start can fill a part (1.8 GB at full-screen size) and roll over to the next.
        player.check(files == [f"{TITLE}.{n:02}.avi" for n in range(1, len(files) + 1)] and files,
                     f"AVI files {files}")
        info = probe(os.path.join(work, files[0]))
        video = [s for s in info["streams"] if s["codec_type"] == "video"]
        audio = [s for s in info["streams"] if s["codec_type"] == "audio"]
        player.check(len(video) == 1 and len(audio) == 1, f"streams {info['streams']}")
        player.check(video[0]["r_frame_rate"] == "30/1", video[0]["r_frame_rate"])
        player.check(int(video[0]["nb_frames"]) >= 3, f"{video[0]['nb_frames']} frames")
        player.check(audio[0]["codec_name"].startswith("pcm_"), audio[0]["codec_name"])
        print(f"{video[0]['nb_frames']} frames of {video[0]['width']}x{video[0]['height']}")
    finally:
        run.close()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
