"""Same picture check for renderer changes: captures the start of a production with the capture
player (<build>/capture/player, "Get &avi" in its dialog) and compares two captures frame by
frame with ffmpeg's PSNR filter.

A capture shows each frame at its music time (30 frames a second) whatever the machine's speed,
so two captures of the same production agree frame by frame when their pictures agree; a run
that is stopped after a while simply has fewer frames, and only the frames both captures hold
are compared.

  xvfb-run -a -s "-screen 0 1280x720x24 -noreset" \\
      python3 tools/capture_psnr.py capture build before.avi --seconds 300
  python3 tools/capture_psnr.py compare before.avi after.avi --min-db 40

compare prints the lowest PSNR, the frames under the threshold (with their show time) and exits
1 when there are any."""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import player  # noqa: E402
import x11  # noqa: E402

TITLE = "Cindercoil"
FRAMES_PER_SECOND = 30


def capture(build, out, seconds, title):
    binary = os.path.join(os.path.abspath(build), "capture", "player")
    data = os.path.join(os.path.abspath(build), "data.vtl")
    work = tempfile.mkdtemp(prefix="capture-")
    os.symlink(data, os.path.join(work, "data.vtl"))
    run = player.Player(name=binary, cwd=work)
    try:
        dialog = x11.wait_for_window(title, 30)
        player.check(dialog is not None, "no dialog")
        x11.press_key(dialog, "alt+a")
        window = run.wait_for_window(title, dialog, 120)
        player.check(window is not None, "no player window; output:\n" + run.output())
        time.sleep(seconds)
        run.quit_with_escape(window)
        parts = sorted(f for f in os.listdir(work) if f.endswith(".avi"))
        player.check(parts, "no AVI written")
        # A part rolls over at 1.8 GB; the first part is enough to compare.
        shutil.move(os.path.join(work, parts[0]), out)
    finally:
        run.close()
        shutil.rmtree(work, ignore_errors=True)


def frame_psnrs(first, second):
    """PSNR (average over the colour channels, in dB) of each frame both files hold."""
    result = subprocess.run(
        ["ffmpeg", "-v", "error", "-i", first, "-i", second, "-lavfi",
         "[0:v][1:v]psnr=stats_file=-", "-f", "null", "-"],
        capture_output=True, text=True)
    if result.returncode != 0:
        raise SystemExit(f"ffmpeg failed: {result.stderr}")
    values = []
    for line in result.stdout.splitlines():
        found = re.search(r"psnr_avg:(\S+)", line)
        if found:
            values.append(float("inf") if found.group(1) == "inf" else float(found.group(1)))
    return values


def compare(first, second, min_db):
    values = frame_psnrs(first, second)
    if not values:
        print("no common frames")
        return 1
    low = [(n, v) for n, v in enumerate(values) if v < min_db]
    worst = min(range(len(values)), key=lambda n: values[n])
    print(f"{len(values)} frames compared, lowest PSNR {values[worst]:.2f} dB at frame {worst} "
          f"({worst / FRAMES_PER_SECOND:.2f} s)")
    for n, v in low[:40]:
        print(f"  frame {n} ({n / FRAMES_PER_SECOND:.2f} s): {v:.2f} dB")
    if len(low) > 40:
        print(f"  ... {len(low) - 40} more")
    return 1 if low else 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    sub = parser.add_subparsers(dest="command", required=True)
    cap = sub.add_parser("capture")
    cap.add_argument("build")
    cap.add_argument("out")
    cap.add_argument("--seconds", type=float, default=120.0)
    cap.add_argument("--title", default=TITLE)
    cmp = sub.add_parser("compare")
    cmp.add_argument("first")
    cmp.add_argument("second")
    cmp.add_argument("--min-db", type=float, default=40.0)
    args = parser.parse_args()
    if args.command == "capture":
        capture(args.build, args.out, args.seconds, args.title)
        return 0
    return compare(args.first, args.second, args.min_db)


if __name__ == "__main__":
    sys.exit(main())
