"""Same-picture check for renderer changes: captures whole shows with the capture player and
compares two captures frame by frame with ffmpeg's PSNR filter.

A capture shows each frame at its music time (30 frames a second) whatever the machine's speed,
so two captures of the same production agree frame by frame when their pictures agree. Each
capture runs on a virtual display of its own at the capture size (1280 x 720 unless --size says
otherwise). The player writes uncompressed AVI parts of 1.8 GB (2.7 MB a frame at 1280 x 720);
each part is compressed losslessly (FFV1 video, no audio) as soon as the next one begins and
then removed, and the pieces are joined into one <name>.mkv, so a whole show of production 6
needs about 2 GB while it is captured, not 15.

Build the capture players and pack each production's data first (from the source folder):

  cmake --build build -j4
  for b in build build/p0 build/p3 build/p4 build/p5; do bash tools/make-datavtl.sh $b; done

Capture every production that draws 3D scenes (0: the model viewer's first model, which the
viewer shows until a key is pressed, for the song's length; 4, 5 and 6: whole shows) into a
folder, as p0.mkv, p4.mkv, ...; each capture is checked with ffprobe (frames = show length x 30):

  python3 tools/capture_psnr.py capture-all build /work/captures/before
  python3 tools/capture_psnr.py capture-all build /work/captures/after

Captures take about 0.5 to 0.75 GB a minute of show (production 6: 3 to 4 GB). With
--against /work/captures/before, capture-all compares each new capture with the earlier one
as soon as it is made (printing what compare prints) and removes it when they agree, so the
"after" side needs room for one show only; it exits 1 when any capture differs.

SIGINT or SIGTERM (kill <pid>) ends a capture early and keeps the frames captured so far.

One production, from its player folder (build for production 6, build/pN for production N),
optionally only its first seconds:

  python3 tools/capture_psnr.py capture build/p3 p3.mkv [--seconds 20]

Compare two folders (each file name both hold) or two files:

  python3 tools/capture_psnr.py compare /work/captures/before /work/captures/after [--min-db 40]

compare prints, per capture, the frames compared, the lowest PSNR (the average over the colour
channels, in dB; "inf" for identical frames), the count of frames under --min-db and their show
times, and writes <name>-worst.png beside the second capture: the worst frame before, after, and
their difference made eight times brighter, at a third of the size. It exits 1 when any frame is
under the threshold or the frame counts differ.

Check the method itself by capturing a production twice and comparing: every frame must be
identical (inf), so a difference later means a change of the picture:

  python3 tools/capture_psnr.py capture build/p3 /tmp/a/p3.mkv
  python3 tools/capture_psnr.py capture build/p3 /tmp/b/p3.mkv
  python3 tools/capture_psnr.py compare /tmp/a /tmp/b"""
import argparse
import math
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import capture  # noqa: E402
import player  # noqa: E402

# The productions that draw 3D scenes, with the seconds of their shows; production 0 (the model
# viewer) plays on as long as no key is pressed and is captured for its song's length.
SHOWS = {0: 63.7, 4: 63.0, 5: 92.6, 6: 179.3}
# A show that ends by itself may hold a few frames more or less than its nominal length.
FRAME_SLACK = 45
LOAD_TIMEOUT = 600.0
FRAMES_PER_SECOND = capture.FRAMES_PER_SECOND


def compress(avi, piece):
    """Losslessly compresses an AVI part's video into an FFV1 piece and removes the part."""
    result = subprocess.run(["ffmpeg", "-v", "error", "-y", "-i", avi, "-map", "0:v:0", "-an",
                             "-c:v", "ffv1", "-level", "3", "-slices", "4", "-threads", "2", piece],
                            capture_output=True, text=True)
    player.check(result.returncode == 0, f"ffmpeg could not compress {avi}: {result.stderr}")
    os.unlink(avi)


def join(pieces, out, frames=None):
    """Joins the pieces into `out`, keeping only the first `frames` frames when given."""
    listing = out + ".pieces.txt"
    with open(listing, "w") as text:
        text.writelines(f"file '{piece}'\n" for piece in pieces)
    keep = ["-frames:v", str(frames)] if frames else []
    result = subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "concat", "-safe", "0", "-i",
                             listing, "-c", "copy"] + keep + [out], capture_output=True, text=True)
    os.unlink(listing)
    player.check(result.returncode == 0, f"ffmpeg could not join the pieces: {result.stderr}")


def frames_written(run, width, height):
    """Frames in the AVI parts so far, from their sizes: a frame and its audio at a time."""
    return sum(os.path.getsize(part) for part in run.parts()) // capture.frame_bytes(width, height)


def capture_show(folder, out, seconds=None, size=(1280, 720)):
    """Captures the production of a player folder to `out` (FFV1 in Matroska): the whole show, or
    its first `seconds`; SIGINT or SIGTERM end it early, keeping what was captured. Returns
    (frames, seconds the capture took, whether it ran to its end)."""
    folder = os.path.abspath(folder)
    production = capture.production_of(folder)
    title = capture.TITLES[production]
    out = os.path.abspath(out)
    os.makedirs(os.path.dirname(out), exist_ok=True)
    work = tempfile.mkdtemp(prefix="capture-", dir=os.path.dirname(out))
    server = capture.start_display(*size)
    pieces = []
    started = time.time()
    run = None
    try:
        run = capture.Capture(capture.binary_of(folder), os.path.join(folder, "data.vtl"), work,
                              title, LOAD_TIMEOUT)
        stopped = False
        try:
            while run.running() and not (seconds and frames_written(run, *size) + sum(
                    frames for _, frames in pieces) >= seconds * FRAMES_PER_SECOND):
                for part in run.parts()[:-1]:  # a part is closed once the next one exists
                    pieces.append(compress_next(part, work, pieces))
                time.sleep(1.0)
        except KeyboardInterrupt:
            stopped = True  # ended early: what was captured so far is kept
        run.finish()
        for part in run.parts():
            pieces.append(compress_next(part, work, pieces))
        # A capture stopped on time runs on until Escape is seen: it is cut to its length.
        join([piece for piece, _ in pieces], out,
             round(seconds * FRAMES_PER_SECOND) if seconds else None)
    finally:
        if run:
            run.close()
        capture.stop_display(server)
        shutil.rmtree(work, ignore_errors=True)
    return capture.counted_frames(out), time.time() - started, not stopped


def compress_next(part, work, pieces):
    """Compresses a closed part into the next piece; returns (piece, its frame count)."""
    piece = os.path.join(work, f"piece{len(pieces):03}.mkv")
    compress(part, piece)
    return piece, capture.counted_frames(piece)


def check_capture(path, show_seconds, size):
    """ffprobe reads an FFV1 stream of the capture size at 30 frames a second holding the show's
    frames; returns the frame count."""
    video = [s for s in capture.probe(path)["streams"] if s["codec_type"] == "video"]
    player.check(len(video) == 1 and video[0]["codec_name"] == "ffv1", f"streams {video}")
    player.check((video[0]["width"], video[0]["height"]) == size, f"size of {path}")
    player.check(video[0]["r_frame_rate"] == "30/1", video[0]["r_frame_rate"])
    frames = capture.counted_frames(path)
    expected = round(show_seconds * FRAMES_PER_SECOND)
    player.check(abs(frames - expected) <= FRAME_SLACK, f"{frames} frames, not {expected}")
    return frames


def capture_all(build, out_dir, productions, size, against=None, min_db=40.0):
    """Captures each production to <out_dir>/p<N>.mkv. With `against` (a folder of earlier
    captures), each new capture is compared with the earlier one at once and removed when it
    agrees, so that only one whole show at a time takes room; returns whether all agree."""
    agree = True
    for production in productions:
        folder = build if production == 6 else os.path.join(build, f"p{production}")
        out = os.path.join(out_dir, f"p{production}.mkv")
        stop = SHOWS[production] if production == 0 else None
        frames, took, whole = capture_show(folder, out, stop, size)
        print(f"production {production}: {out}, {frames} frames "
              f"({frames / FRAMES_PER_SECOND:.1f} s), {os.path.getsize(out) / 1e9:.2f} GB, "
              f"captured in {took:.0f} s" + ("" if whole else ", stopped early"), flush=True)
        if not whole:
            return False
        check_capture(out, SHOWS[production], size)
        if against:
            if compare_pair(os.path.join(against, f"p{production}.mkv"), out, min_db,
                            f"p{production}"):
                os.unlink(out)
            else:
                agree = False
            sys.stdout.flush()
    return agree


def frame_psnrs(first, second):
    """PSNR (average over the colour channels, in dB) of each frame both files hold."""
    result = subprocess.run(
        ["ffmpeg", "-v", "error", "-i", first, "-i", second, "-lavfi",
         "[0:v][1:v]psnr=stats_file=-:shortest=1", "-f", "null", "-"],
        capture_output=True, text=True)
    player.check(result.returncode == 0, f"ffmpeg failed: {result.stderr}")
    values = []
    for line in result.stdout.splitlines():
        found = re.search(r"psnr_avg:(\S+)", line)
        if found:
            values.append(float(found.group(1)))  # float() reads "inf"
    return values


def spans(frames):
    """Show times of frame numbers as joined spans: "1.00-1.50 s, 7.20 s"."""
    joined = []
    for n in frames:
        if joined and n == joined[-1][1] + 1:
            joined[-1][1] = n
        else:
            joined.append([n, n])
    rate = FRAMES_PER_SECOND
    return ", ".join(f"{a / rate:.2f} s" if a == b else f"{a / rate:.2f}-{b / rate:.2f} s"
                     for a, b in joined)


def worst_picture(first, second, frame, out):
    """Before, after and their difference (eight times brighter) of one frame, a third the size."""
    at = (frame - 0.5) / FRAMES_PER_SECOND  # the first frame shown from there on
    graph = ("[0:v]format=rgb24,split[a][a2];[1:v]format=rgb24,split[b][b2];"
             "[a2][b2]blend=all_mode=difference,lutrgb=r=val*8:g=val*8:b=val*8[d];"
             "[a][b][d]hstack=inputs=3,scale=iw/3:-2")
    result = subprocess.run(["ffmpeg", "-v", "error", "-y", "-ss", f"{at:.4f}", "-i", first,
                             "-ss", f"{at:.4f}", "-i", second, "-filter_complex", graph,
                             "-frames:v", "1", out], capture_output=True, text=True)
    player.check(result.returncode == 0, f"ffmpeg could not draw {out}: {result.stderr}")


def compare_pair(first, second, min_db, name):
    """Prints the comparison of one capture pair; returns whether it passes."""
    values = frame_psnrs(first, second)
    counts = (capture.counted_frames(first), capture.counted_frames(second))
    if not values:
        print(f"{name}: no common frames")
        return False
    worst = min(range(len(values)), key=lambda n: values[n])
    low = [n for n, v in enumerate(values) if v < min_db]
    print(f"{name}: {len(values)} frames compared (of {counts[0]} and {counts[1]}), lowest PSNR "
          f"{values[worst]:.2f} dB at frame {worst} ({worst / FRAMES_PER_SECOND:.2f} s), "
          f"{len(low)} under {min_db:g} dB" + (f": {spans(low)}" if low else ""))
    if not math.isinf(values[worst]):
        picture = os.path.join(os.path.dirname(os.path.abspath(second)), f"{name}-worst.png")
        worst_picture(first, second, worst, picture)
        print(f"  worst frame pair: {picture}")
    if counts[0] != counts[1]:
        print(f"  the frame counts differ: {counts[0]} and {counts[1]}")
    return not low and counts[0] == counts[1]


def compare(first, second, min_db):
    if os.path.isdir(first):
        names = sorted(set(n for n in os.listdir(first) if n.endswith(".mkv")) &
                       set(n for n in os.listdir(second) if n.endswith(".mkv")))
        pairs = [(os.path.join(first, n), os.path.join(second, n), n[:-4]) for n in names]
    else:
        pairs = [(first, second, os.path.splitext(os.path.basename(second))[0])]
    if not pairs:
        print("no captures in both")
        return 1
    passed = [compare_pair(a, b, min_db, name) for a, b, name in pairs]
    return 0 if all(passed) else 1


def size_of(text):
    width, height = text.split("x")
    return int(width), int(height)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    sub = parser.add_subparsers(dest="command", required=True)
    one = sub.add_parser("capture", help="capture one production from its player folder")
    one.add_argument("folder")
    one.add_argument("out")
    one.add_argument("--seconds", type=float, help="stop after that much of the show")
    every = sub.add_parser("capture-all", help="capture every production with 3D scenes")
    every.add_argument("build")
    every.add_argument("out_dir")
    every.add_argument("--productions", type=int, nargs="+", default=sorted(SHOWS))
    every.add_argument("--against", help="compare with the captures in this folder at once, "
                                         "keeping only the ones that differ")
    for command in (one, every):
        command.add_argument("--size", type=size_of, default=(1280, 720))
    cmp = sub.add_parser("compare", help="compare two captures, or two folders of them")
    cmp.add_argument("first")
    cmp.add_argument("second")
    for command in (every, cmp):
        command.add_argument("--min-db", type=float, default=40.0)
    args = parser.parse_args()
    signal.signal(signal.SIGTERM, signal.default_int_handler)
    if args.command == "capture":
        frames, took, whole = capture_show(args.folder, args.out, args.seconds, args.size)
        print(f"{args.out}: {frames} frames, captured in {took:.0f} s" +
              ("" if whole else ", stopped early"))
        return 0 if whole else 1
    if args.command == "capture-all":
        agree = capture_all(args.build, args.out_dir, args.productions, args.size, args.against,
                            args.min_db)
        return 0 if agree else 1
    return compare(args.first, args.second, args.min_db)


if __name__ == "__main__":
    sys.exit(main())
