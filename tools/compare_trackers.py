#!/usr/bin/python3
"""TAVO beside OpenCV's trackers on one video.

usage: compare_trackers.py VIDEO (--targets FILE | --box X,Y,W,H ...) [--gt FILE]
                           [--tavo "OPTIONS"]... [--frames N] [--out DIR]

Runs tavo-track once per --tavo option string (default "--robust") and
OpenCV's CSRT, KCF and MOSSE trackers (one tracker per target, started from
the same boxes as tavo-track), and writes every result as a MOTChallenge
file DIR/NAME.txt.  With --gt, scores them all with tavo-eval: the table is
printed and written to DIR/scores.csv, the success and precision curves to
DIR/curves.png.  Without ground truth, DIR/side_by_side.avi shows every
tracker's boxes on the video, a tile per tracker.

Needs Debian's python3-opencv (run with /usr/bin/python3).  tavo-track and
tavo-eval are taken from --bin DIR, else from the build folder beside the
sources (build/), else from PATH.
"""

import argparse
import math
import re
import shlex
import shutil
import subprocess
import sys
import time
from pathlib import Path

import cv2

EXIT_FAILURE = 1  # a run or an input failed
EXIT_USAGE = 2    # the command line is wrong, as argparse exits
DEFAULT_TAVO_OPTIONS = "--robust"
# OpenCV's trackers compared, by the name their results carry.
OPENCV_TRACKERS = {
    "csrt": lambda: cv2.TrackerCSRT_create(),
    "kcf": lambda: cv2.TrackerKCF_create(),
    "mosse": lambda: cv2.legacy.TrackerMOSSE_create(),
}
# The side-by-side video: tiles at most this wide together, and its codec.
MOSAIC_MAX_WIDTH = 1920
MOSAIC_FOURCC = "MJPG"
LABEL_SCALE = 0.5
BOX_COLOURS = [(0, 0, 255), (0, 200, 0), (255, 0, 0), (0, 200, 255), (255, 0, 255), (255, 255, 0)]


class Failure(Exception):
    """A message for the user; the exit status goes with it."""

    def __init__(self, message, status=EXIT_FAILURE):
        super().__init__(message)
        self.status = status


def parse_arguments(argv):
    parser = argparse.ArgumentParser(
        prog="compare_trackers.py", description=__doc__.split("\n\n")[2].replace("\n", " "),
        formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("video", metavar="VIDEO", help="the video (any file tavo-track and OpenCV can read)")
    where = parser.add_mutually_exclusive_group(required=True)
    where.add_argument("--targets", metavar="FILE", help="the targets as a MOTChallenge file, as tavo-track takes it")
    where.add_argument("--box", metavar="X,Y,W,H", action="append",
                       help="a target on the first frame, ids 1, 2, ... in order (repeat for more)")
    parser.add_argument("--gt", metavar="FILE", help="ground truth: score every result with tavo-eval")
    parser.add_argument("--tavo", metavar="OPTIONS", action="append",
                        help=f'tavo-track options for one run (repeat for more; default "{DEFAULT_TAVO_OPTIONS}")')
    parser.add_argument("--frames", metavar="N", type=int, default=0, help="track the first N frames only")
    parser.add_argument("--out", metavar="DIR", default="comparison", help="where the results go (default: comparison)")
    parser.add_argument("--bin", metavar="DIR", help="the folder holding tavo-track and tavo-eval")
    args = parser.parse_args(joined_tavo_options(argv))
    if args.frames < 0:
        parser.error(f"--frames {args.frames}: expected a number of frames from 1 (0: all)")
    args.tavo = args.tavo or [DEFAULT_TAVO_OPTIONS]
    args.boxes = [parse_box(parser, text) for text in args.box or []]
    return args


def joined_tavo_options(argv):
    """--tavo OPTIONS as --tavo=OPTIONS, so that options beginning with a
    dash ("--robust") are taken as its value."""
    joined, k = [], 0
    while k < len(argv):
        if argv[k] == "--tavo" and k + 1 < len(argv):
            joined.append("--tavo=" + argv[k + 1])
            k += 2
        else:
            joined.append(argv[k])
            k += 1
    return joined


def parse_box(parser, text):
    try:
        box = [int(v) for v in text.split(",")]
    except ValueError:
        box = []
    if len(box) != 4 or box[2] < 1 or box[3] < 1:
        parser.error(f"--box {text!r}: expected X,Y,W,H in whole pixels, W and H at least 1")
    return tuple(box)


def program(args, name):
    """The path of tavo-track or tavo-eval."""
    folders = [Path(args.bin)] if args.bin else [Path(__file__).resolve().parents[1] / "build"]
    for folder in folders:
        if (folder / name).is_file():
            return str(folder / name)
    found = None if args.bin else shutil.which(name)
    if not found:
        raise Failure(f"{name} not found in {folders[0]}" + ("" if args.bin else " nor on PATH") +
                      " (build it, or name its folder with --bin)")
    return found


def initial_targets(args):
    """{frame: [(id, (x, y, w, h)), ...]}: where each target starts."""
    if args.boxes:
        return {1: [(i + 1, box) for i, box in enumerate(args.boxes)]}
    first = {}
    unnamed = []
    try:
        lines = Path(args.targets).read_text().splitlines()
    except (OSError, UnicodeDecodeError) as e:
        raise Failure(f"--targets {args.targets}: cannot read: {getattr(e, 'strerror', None) or e}")
    for number, line in enumerate(lines, 1):
        fields = line.split(",")
        if not line.strip():
            continue
        try:
            frame, ident = int(float(fields[0])), int(float(fields[1]))
            box = tuple(round(float(v)) for v in fields[2:6])
        except (ValueError, IndexError):
            raise Failure(f"--targets {args.targets}:{number}: expected frame,id,x,y,w,h")
        if len(box) != 4:
            raise Failure(f"--targets {args.targets}:{number}: expected frame,id,x,y,w,h")
        if ident == -1:
            unnamed.append((frame, box))
        elif ident not in first or frame < first[ident][0]:
            first[ident] = (frame, box)
    starts = {}
    for ident, (frame, box) in sorted(first.items()):
        starts.setdefault(frame, []).append((ident, box))
    if unnamed:  # boxes without identity count on their lowest frame, after the highest id
        lowest = min(frame for frame, _ in unnamed)
        next_id = max(first, default=0)
        for frame, box in unnamed:
            if frame == lowest:
                next_id += 1
                starts.setdefault(frame, []).append((next_id, box))
    if not starts:
        raise Failure(f"--targets {args.targets}: no boxes in the file")
    return starts


def tavo_name(options, taken):
    """tavo_robust for "--robust": the options' words, made a file name."""
    words = re.findall(r"[A-Za-z0-9.]+", options)
    name = "_".join(["tavo"] + words)[:60]
    unique, n = name, 2
    while unique in taken:
        unique, n = f"{name}_{n}", n + 1
    return unique


def run_tavo(args, track, options, result):
    """Runs tavo-track with the options; its printed lines."""
    where = ["--targets", args.targets] if args.targets else [a for box in args.boxes
                                                              for a in ("--box", ",".join(map(str, box)))]
    command = [track, args.video, *where, *shlex.split(options), "--mot", str(result)]
    if args.frames:
        command += ["--frames", str(args.frames)]
    done = subprocess.run(command, capture_output=True, text=True, errors="replace")
    if done.returncode != 0:
        raise Failure(f"tavo-track {options} failed (exit status {done.returncode}):\n{done.stderr.rstrip()}")
    return done.stdout


def mot_line(frame, ident, box):
    x, y, w, h = (f"{v:.2f}" for v in box)
    return f"{frame},{ident},{x},{y},{w},{h},1,-1,-1,-1\n"


def run_opencv(args, make, starts, result):
    """One OpenCV tracker per target; a lost target writes no line.  The
    number of frames read."""
    video = cv2.VideoCapture(args.video)
    if not video.isOpened():
        raise Failure(f"{args.video}: OpenCV cannot open the video")
    running = []
    frame_number = 0
    with open(result, "w") as out:
        while not args.frames or frame_number < args.frames:
            ok, frame = video.read()
            if not ok:
                break
            frame_number += 1
            for ident, tracker in running:
                found, box = tracker.update(frame)
                if found:
                    out.write(mot_line(frame_number, ident, box))
            for ident, box in starts.get(frame_number, []):
                tracker = make()
                tracker.init(frame, box)
                running.append((ident, tracker))
                out.write(mot_line(frame_number, ident, box))
    if frame_number == 0:
        raise Failure(f"{args.video}: OpenCV reads no frame from the video")
    return frame_number


def read_results(path):
    """{frame: [(id, box), ...]} of a MOTChallenge file."""
    by_frame = {}
    for line in Path(path).read_text().splitlines():
        fields = line.split(",")
        by_frame.setdefault(int(fields[0]), []).append((int(fields[1]), [float(v) for v in fields[2:6]]))
    return by_frame


def write_mosaic(args, names, out_dir):
    """side_by_side.avi: a tile per tracker with its boxes and its name."""
    results = [read_results(out_dir / f"{name}.txt") for name in names]
    video = cv2.VideoCapture(args.video)
    fps = video.get(cv2.CAP_PROP_FPS) or 25
    columns = math.ceil(math.sqrt(len(names)))
    rows = math.ceil(len(names) / columns)
    writer = None
    frame_number = 0
    while not args.frames or frame_number < args.frames:
        ok, frame = video.read()
        if not ok:
            break
        frame_number += 1
        height, width = frame.shape[:2]
        scale = min(1.0, MOSAIC_MAX_WIDTH / (columns * width))
        tile_w, tile_h = max(1, int(width * scale)), max(1, int(height * scale))
        if writer is None:
            path = str(out_dir / "side_by_side.avi")
            writer = cv2.VideoWriter(path, cv2.VideoWriter_fourcc(*MOSAIC_FOURCC), fps,
                                     (tile_w * columns, tile_h * rows))
            if not writer.isOpened():
                raise Failure(f"{path}: cannot write the video")
        mosaic = cv2.resize(frame, (tile_w * columns, tile_h * rows)) * 0
        for k, (name, boxes) in enumerate(zip(names, results)):
            tile = frame.copy()
            for ident, (x, y, w, h) in boxes.get(frame_number, []):
                colour = BOX_COLOURS[ident % len(BOX_COLOURS)]
                cv2.rectangle(tile, (round(x), round(y)), (round(x + w), round(y + h)), colour, 2)
                cv2.putText(tile, str(ident), (round(x), round(y) - 3), cv2.FONT_HERSHEY_SIMPLEX, LABEL_SCALE,
                            colour, 1, cv2.LINE_AA)
            cv2.putText(tile, name, (8, 22), cv2.FONT_HERSHEY_SIMPLEX, 2 * LABEL_SCALE, (255, 255, 255), 2,
                        cv2.LINE_AA)
            top, left = (k // columns) * tile_h, (k % columns) * tile_w
            mosaic[top:top + tile_h, left:left + tile_w] = cv2.resize(tile, (tile_w, tile_h))
        writer.write(mosaic)
    if writer is not None:
        writer.release()
    return frame_number


def compare(args):
    out_dir = Path(args.out)
    try:
        out_dir.mkdir(parents=True, exist_ok=True)
    except OSError as e:
        raise Failure(f"--out {args.out}: cannot make the folder: {e.strerror}")
    track = program(args, "tavo-track")
    evaluate = program(args, "tavo-eval") if args.gt else None
    starts = initial_targets(args)
    names = []
    for options in args.tavo:
        name = tavo_name(options, names)
        began = time.monotonic()
        printed = run_tavo(args, track, options, out_dir / f"{name}.txt")
        (out_dir / f"{name}.log").write_text(printed)
        print(f"{name}: tavo-track {options}, {time.monotonic() - began:.1f} s", flush=True)
        names.append(name)
    for name, make in OPENCV_TRACKERS.items():
        began = time.monotonic()
        frames = run_opencv(args, make, starts, out_dir / f"{name}.txt")
        print(f"{name}: OpenCV {cv2.__version__}, {frames} frames, {time.monotonic() - began:.1f} s", flush=True)
        names.append(name)
    results = [str(out_dir / f"{name}.txt") for name in names]
    if args.gt:
        command = [evaluate, "--gt", args.gt, *results, "--csv", str(out_dir / "scores.csv"),
                   "--plot", str(out_dir / "curves.png")]
        done = subprocess.run(command, capture_output=True, text=True, errors="replace")
        sys.stderr.write(done.stderr)
        if done.returncode != 0:
            raise Failure(f"tavo-eval failed (exit status {done.returncode})")
        print(done.stdout, end="")
        print(f"written: {', '.join(results)}, {out_dir / 'scores.csv'}, {out_dir / 'curves.png'}")
    else:
        write_mosaic(args, names, out_dir)
        print(f"written: {', '.join(results)}, {out_dir / 'side_by_side.avi'}")


def main(argv):
    args = parse_arguments(argv)
    try:
        compare(args)
    except Failure as e:
        print(f"compare_trackers: {e}", file=sys.stderr)
        return e.status
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
