#!/usr/bin/python3
"""Scores tavo-track and OpenCV's CSRT, KCF and MOSSE on the real clips.

    score.py [--clips DIR] [--track PATH] [--seeds "1 2 3"] [--no-opencv] [OPTIONS...]

Every other argument is one string of tavo-track options to score, e.g.
score.py "--robust" "--robust --adapt 0.1"; without any, the default model
("") and "--robust".  --clips is the folder of the clips (default
build/real-clips, filled by fetch.sh), --track another build of tavo-track
(default build/tavo-track); --no-opencv leaves OpenCV's trackers out.  For
every clip, with the ground truth beside this script (NAME.gt.txt),
tavo-track runs as

    tavo-track CLIP --targets NAME.gt.txt --gt NAME.gt.txt --seed S -q OPTIONS

for every seed, and OpenCV's trackers start from the ground truth's box on
frame 1.  Both are scored alike: success is the share of the frames with
ground truth where the box overlaps the true box by at least 0.5
(intersection over union), error the mean distance of the boxes' centres in
pixels.  An OpenCV tracker that reports a failure has no box in that frame
(overlap 0) and is taken to stay at its last box for the error.

The table gives, per clip and tracker, the median success over the seeds,
the worst seed's success and the median error (OpenCV's trackers draw no
random numbers: one run each), and the frames in which an OpenCV tracker
reported the object lost.  Needs Debian's python3-opencv and
python3-numpy.
"""

import os
import re
import statistics
import subprocess
import sys

import cv2
import numpy as np

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))

CLIPS = [("balle1-vp9", "balle1-vp9.avi"), ("balle-jbart", "balle-jbart.mp4"), ("motion", "motion.mov")]

OPENCV_TRACKERS = {
    "CSRT": lambda: cv2.TrackerCSRT_create(),
    "KCF": lambda: cv2.TrackerKCF_create(),
    "MOSSE": lambda: cv2.legacy.TrackerMOSSE_create(),
}


def read_truth(path):
    """frame -> (x, y, w, h) of the object of id 1 (the clips hold one)."""
    truth = {}
    with open(path) as lines:
        for line in lines:
            fields = line.strip().split(",")
            if len(fields) >= 6 and int(fields[1]) == 1:
                truth[int(fields[0])] = tuple(float(v) for v in fields[2:6])
    return truth


def overlap(a, b):
    w = min(a[0] + a[2], b[0] + b[2]) - max(a[0], b[0])
    h = min(a[1] + a[3], b[1] + b[3]) - max(a[1], b[1])
    if w <= 0 or h <= 0:
        return 0.0
    common = w * h
    return common / (a[2] * a[3] + b[2] * b[3] - common)


def centre_error(a, b):
    return float(np.hypot(a[0] + a[2] / 2.0 - b[0] - b[2] / 2.0, a[1] + a[3] / 2.0 - b[1] - b[3] / 2.0))


def run_tavo(track, clip, truth_file, seed, options):
    """(success, mean error, last frame scored) of one tavo-track run."""
    command = [track, clip, "--targets", truth_file, "--gt", truth_file, "--seed", str(seed), "-q"] + options.split()
    result = subprocess.run(command, capture_output=True, text=True)
    if result.returncode != 0:
        sys.exit(f"score.py: {' '.join(command)} failed ({result.returncode}):\n{result.stderr}")
    frames = re.search(r"frames (\d+) to (\d+)", result.stdout)
    target = re.search(r"^\s+1\s+(\d+)\s+([0-9.]+)\s+([0-9.]+)\s+([0-9.]+)\s+\d+\s*$", result.stdout, re.M)
    if not frames or not target:
        sys.exit(f"score.py: no score of target 1 in the output of {' '.join(command)}:\n{result.stdout}")
    return float(target.group(4)), float(target.group(2)), int(frames.group(2))


def run_opencv(make, clip, truth):
    """(success, mean error, failures, frames read) of an OpenCV tracker
    started on the true box of the truth's first frame."""
    video = cv2.VideoCapture(clip)
    first = min(truth)
    for _ in range(first):
        ok, frame = video.read()
        if not ok:
            sys.exit(f"score.py: OpenCV cannot read {clip} up to its frame {first}")
    tracker = make()
    box = tuple(int(round(v)) for v in truth[first])
    tracker.init(frame, box)
    successes, errors, failures, number = 0, [], 0, first
    while True:
        if number > first:
            ok, frame = video.read()
            if not ok:
                break
            found, new_box = tracker.update(frame)
            if found:
                box = tuple(new_box)
            else:
                failures += 1
        else:
            found = True
        if number in truth:
            errors.append(centre_error(box, truth[number]))
            if found and overlap(box, truth[number]) >= 0.5:
                successes += 1
        number += 1
    scored = len(errors)
    return successes / scored, float(np.mean(errors)), failures, number - 1


def parse_arguments(arguments):
    """Own options and, in order, the tavo-track option strings (any other
    argument, even one that starts with a dash, such as "--robust")."""
    settings = {"clips": os.path.join(ROOT, "build", "real-clips"),
                "track": os.path.join(ROOT, "build", "tavo-track"), "seeds": "1 2 3", "opencv": True}
    configs = []
    i = 0
    while i < len(arguments):
        argument = arguments[i]
        if argument in ("-h", "--help"):
            print(__doc__)
            sys.exit(0)
        if argument in ("--clips", "--track", "--seeds"):
            if i + 1 == len(arguments):
                sys.exit(f"score.py: {argument} needs a value")
            settings[argument[2:]] = arguments[i + 1]
            i += 2
            continue
        if argument == "--no-opencv":
            settings["opencv"] = False
        else:
            configs.append(argument)
        i += 1
    return settings, configs or ["", "--robust"]


def main():
    args, configs = parse_arguments(sys.argv[1:])
    seeds = args["seeds"].split()

    print("| clip | tracker | success | worst seed | centre error | frames reported lost |")
    print("|---|---|---:|---:|---:|---:|")
    for name, file_name in CLIPS:
        clip = os.path.join(args["clips"], file_name)
        truth_file = os.path.join(HERE, name + ".gt.txt")
        if not os.path.exists(clip):
            sys.exit(f"score.py: {clip} is missing: run tools/real_clips/fetch.sh")
        truth = read_truth(truth_file)
        if 1 not in truth:
            sys.exit(f"score.py: {truth_file} has no box on frame 1, where tavo-track takes its targets from")
        frames_read = None
        for options in configs:
            runs = [run_tavo(args["track"], clip, truth_file, seed, options) for seed in seeds]
            success = statistics.median(r[0] for r in runs)
            worst = min(r[0] for r in runs)
            error = statistics.median(r[1] for r in runs)
            label = "TAVO " + (options if options else "default")
            print(f"| {name} | {label} | {success:.3f} | {worst:.3f} | {error:.1f} | - |", flush=True)
            frames_read = runs[0][2]
        if args["opencv"]:
            for label, make in OPENCV_TRACKERS.items():
                success, error, failures, frames = run_opencv(make, clip, truth)
                print(f"| {name} | OpenCV {label} | {success:.3f} | - | {error:.1f} | {failures} |", flush=True)
                if frames_read is not None and frames != frames_read:
                    print(f"score.py: {name}: tavo-track read {frames_read} frames, OpenCV's Python {frames}",
                          file=sys.stderr)


if __name__ == "__main__":
    main()
