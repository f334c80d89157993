#!/usr/bin/python3
"""Measures how well tavo-track's confidence tells a right box from a wrong one.

    confidence_check.py [--track PATH] [--scenes DIR] [--clips DIR]
                        [--seeds "1 2 3"] [--threshold T] [--jobs N]
                        [--only NAME,...] [OPTIONS...]

Every other argument is one string of tavo-track options to measure, e.g.
"--robust" "--robust --confidence likelihood"; without any, "--robust".
The development set is the one tools/development_split.txt names, split in
its tuning and checking halves: the scenes that make-scenes writes into
--scenes (default build/scenes) and the real clips that
tools/real_clips/fetch.sh puts into --clips (default build/real-clips), with
their ground truth beside fetch.sh (NAME.gt.txt).  An item whose video or
ground truth is missing is named and left out.  Every item is run as

    tavo-track VIDEO --targets GT --mot OUT --seed S -q [--start F] OPTIONS

(--start F, the ground truth's first frame, where that is not frame 1)

and every box of the MOT file (a lost target claims none) is right when it
overlaps the ground-truth box of the same id in that frame by at least 0.5
(intersection over union), and wrong otherwise (also when the ground truth
has no box of that id in that frame: the object is hidden or gone).

The pair figure is the share of (right box, wrong box) pairs in which the
right box has the higher confidence, ties counting half (the area under
the ROC curve of the confidence as a test of "the box is right"): 0.5 is a
coin, 1 a perfect separation.  Per item it is the median over the seeds
(and the worst seed); per half and over the whole set the boxes of every
item are pooled, seed by seed, so that one threshold must serve them all.
For the threshold (--threshold, default 0.5) the pooled table also gives
the share of right boxes below it (trusted wrongly: no) and of wrong boxes
at or above it.  Needs Debian's /usr/bin/python3 (no other module).
"""

import argparse
import concurrent.futures
import os
import statistics
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
CLIP_TRUTH = os.path.join(HERE, "real_clips")

# A box is right when it overlaps the true box by at least this (the
# success measure of every table of the project).
RIGHT_OVERLAP = 0.5


def read_split(path):
    """[(half, kind, name)] in the file's order."""
    items = []
    with open(path) as lines:
        for line in lines:
            fields = line.split("#", 1)[0].split()
            if len(fields) == 3:
                items.append(tuple(fields))
    return items


def read_mot(path, with_confidence):
    """{(frame, id): (x, y, w, h[, confidence])}, rows of confidence 0 left out of ground truth."""
    rows = {}
    with open(path) as lines:
        for line in lines:
            fields = line.strip().split(",")
            if len(fields) < 6:
                continue
            key = (int(float(fields[0])), int(float(fields[1])))
            box = tuple(float(v) for v in fields[2:6])
            confidence = float(fields[6]) if len(fields) > 6 else 1.0
            if with_confidence:
                rows[key] = box + (confidence,)
            elif confidence != 0.0:
                rows[key] = box
    return rows


def overlap(a, b):
    """Intersection over union of two (x, y, w, h) boxes."""
    left, top = max(a[0], b[0]), max(a[1], b[1])
    right, bottom = min(a[0] + a[2], b[0] + b[2]), min(a[1] + a[3], b[1] + b[3])
    inter = max(0.0, right - left) * max(0.0, bottom - top)
    union = a[2] * a[3] + b[2] * b[3] - inter
    return inter / union if union > 0 else 0.0


def judged_boxes(mot_path, truth):
    """[(confidence, right)] for every box of the tracker's MOT file."""
    boxes = []
    for key, row in read_mot(mot_path, True).items():
        true_box = truth.get(key)
        right = true_box is not None and overlap(row[:4], true_box) >= RIGHT_OVERLAP
        boxes.append((row[4], right))
    return boxes


def pair_figure(boxes):
    """Share of (right, wrong) pairs ordered right above wrong, ties half; None without both."""
    ordered = sorted(boxes, key=lambda b: b[0])
    rights = sum(1 for b in boxes if b[1])
    wrongs = len(boxes) - rights
    if rights == 0 or wrongs == 0:
        return None
    # Mann-Whitney: every right box scores the wrong boxes below it, and half those level with it.
    score = 0.0
    wrong_below = 0
    i = 0
    while i < len(ordered):
        j = i
        while j < len(ordered) and ordered[j][0] == ordered[i][0]:
            j += 1
        level = ordered[i:j]
        level_wrong = sum(1 for b in level if not b[1])
        level_right = len(level) - level_wrong
        score += level_right * (wrong_below + 0.5 * level_wrong)
        wrong_below += level_wrong
        i = j
    return score / (rights * wrongs)


def threshold_shares(boxes, threshold):
    """(right boxes, share of them below threshold, wrong boxes, share of them at or above it)."""
    rights = [c for c, r in boxes if r]
    wrongs = [c for c, r in boxes if not r]
    below = sum(1 for c in rights if c < threshold) / len(rights) if rights else 0.0
    above = sum(1 for c in wrongs if c >= threshold) / len(wrongs) if wrongs else 0.0
    return len(rights), below, len(wrongs), above


def item_paths(kind, name, scenes, clips):
    """(video, ground truth) of an item, or None when either is missing."""
    if kind == "scene":
        video, truth = os.path.join(scenes, name + ".avi"), os.path.join(scenes, name + ".gt.txt")
    else:
        stem = os.path.splitext(name)[0]
        video, truth = os.path.join(clips, name), os.path.join(CLIP_TRUTH, stem + ".gt.txt")
    return (video, truth) if os.path.isfile(video) and os.path.isfile(truth) else None


def track_command(track, video, truth_path, out, seed, options):
    """The run of one item: from the truth's first frame (some clips open on another shot)."""
    start = min(frame for frame, _ in read_mot(truth_path, False))
    command = [track, video, "--targets", truth_path, "--mot", out, "--seed", str(seed), "-q"]
    return command + (["--start", str(start)] if start > 1 else []) + options.split()


def run_one(track, video, truth_path, seed, options, work):
    """The judged boxes of one run; raises with tavo-track's message when it fails."""
    handle, out = tempfile.mkstemp(suffix=".mot", dir=work)
    os.close(handle)
    command = track_command(track, video, truth_path, out, seed, options)
    done = subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    if done.returncode != 0:
        raise RuntimeError("%s failed (%d): %s" % (" ".join(command), done.returncode, done.stderr.strip()))
    boxes = judged_boxes(out, read_mot(truth_path, False))
    os.remove(out)
    return boxes


def text(v):
    return "-" if v is None else "%.3f" % v


def median_worst(values):
    values = [v for v in values if v is not None]
    return (statistics.median(values), min(values)) if values else (None, None)


def report(config, items, runs, seeds, threshold):
    print("\n## %s\n" % (config or "(defaults)"))
    print("| half | kind | item | pair figure | worst seed | boxes | right |")
    print("|---|---|---|---:|---:|---:|---:|")
    for half, kind, name in items:
        per_seed = [runs[(name, seed)] for seed in seeds]
        med, worst = median_worst([pair_figure(b) for b in per_seed])
        first = per_seed[0]
        print("| %s | %s | %s | %s | %s | %d | %d |" % (half, kind, name, text(med), text(worst), len(first),
                                                      sum(1 for b in first if b[1])))
    print("\nPooled (median over seeds; threshold %g: right boxes below it, wrong boxes at or above it):\n" % threshold)
    print("| part | pair figure | worst seed | right boxes | right below | wrong boxes | wrong at or above |")
    print("|---|---:|---:|---:|---:|---:|---:|")
    for part in ("tuning", "checking", "whole"):
        chosen = [name for half, _, name in items if part in ("whole", half)]
        pooled = [[b for name in chosen for b in runs[(name, seed)]] for seed in seeds]
        med, worst = median_worst([pair_figure(b) for b in pooled])
        shares = [threshold_shares(b, threshold) for b in pooled]
        print("| %s | %s | %s | %d | %.3f | %d | %.3f |" % (
            part, text(med), text(worst), statistics.median(s[0] for s in shares),
            statistics.median(s[1] for s in shares), statistics.median(s[2] for s in shares),
            statistics.median(s[3] for s in shares)))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--track", default=os.path.join(ROOT, "build", "tavo-track"))
    parser.add_argument("--scenes", default=os.path.join(ROOT, "build", "scenes"))
    parser.add_argument("--clips", default=os.path.join(ROOT, "build", "real-clips"))
    parser.add_argument("--split", default=os.path.join(HERE, "development_split.txt"))
    parser.add_argument("--seeds", default="1 2 3")
    parser.add_argument("--threshold", type=float, default=0.5)
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--only", default="", help="comma-separated item names")
    parser.add_argument("configs", nargs="*")
    # A configuration of one option ("--robust") reads as an unknown option.
    args, extra = parser.parse_known_args()
    args.configs += extra
    if not os.access(args.track, os.X_OK):
        sys.exit("confidence_check.py: --track %s: not an executable tavo-track" % args.track)
    seeds = [int(s) for s in args.seeds.split()]
    only = set(filter(None, args.only.split(",")))
    items, paths = [], {}
    for half, kind, name in read_split(args.split):
        if only and name not in only:
            continue
        found = item_paths(kind, name, args.scenes, args.clips)
        if found is None:
            print("confidence_check.py: %s %s: its video or ground truth is missing; left out" % (kind, name),
                  file=sys.stderr)
            continue
        items.append((half, kind, name))
        paths[name] = found
    if not items:
        sys.exit("confidence_check.py: no item of %s has its video and ground truth" % args.split)
    with tempfile.TemporaryDirectory() as work, concurrent.futures.ThreadPoolExecutor(args.jobs) as pool:
        for config in args.configs or ["--robust"]:
            jobs = {(name, seed): pool.submit(run_one, args.track, paths[name][0], paths[name][1], seed, config, work)
                    for _, _, name in items for seed in seeds}
            runs = {key: job.result() for key, job in jobs.items()}
            report(config, items, runs, seeds, args.threshold)


if __name__ == "__main__":
    main()
