#!/usr/bin/python3
"""Which of --robust's switches earn their place.

    tools/ablation.py [--seeds 1,2,3,4,5] [--frames N] [--jobs N]
                      [--switches LIST] [--raw FILE]
                      [--scenes DIR] [--clips DIR] [--clip-truth DIR]
                      [--split FILE] [NAME...]

Runs the preset and, for every setting that --robust changes, the preset
with that one setting set back to the default's value ("-kernel": --robust
without --kernel), on the development set's scenes and clips, one seed at a
time.  The switches are found by comparing the settings of a tracker made
with robust=True to those of a default one, so the table follows the preset
when it changes.  For every scene or clip it prints the success rate
(overlap >= 0.5, all targets together) as the median over the seeds and the
worst seed, the tuning and checking halves in separate blocks (the halves of
tools/development_split.txt), each with a row of the means over its scenes
and clips; a removal that costs more than 0.02 is marked "-", one that gains
more than 0.02 "+".

A scene is SCENES/NAME.avi with its targets and truth in SCENES/NAME.gt.txt;
a clip is CLIPS/NAME with its truth in CLIP_TRUTH/ as NAME.gt.txt without
NAME's extension (balle1-vp9.avi: balle1-vp9.gt.txt).  NAMEs
default to everything in the split file; names whose files are missing are
listed on stderr and left out.  --switches runs only the removals named
(comma-separated settings, e.g. kernel,fit_box; "none": the preset alone);
--raw writes every run as a CSV line (name, configuration, seed, success,
seconds) to FILE.  Needs the Python module of the build
(build/python, found by itself) and Debian's /usr/bin/python3.
"""

import argparse
import os
import statistics
import sys
import time
from concurrent.futures import ProcessPoolExecutor

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(ROOT, "build", "python"))

import numpy as np  # noqa: E402

try:
    import tavo  # noqa: E402
except ImportError as e:
    sys.exit(f"ablation.py: the Python module tavo is not built in {ROOT}/build/python ({e})")

# A removal that changes a success rate by more than this counts.
NOTABLE_CHANGE = 0.02
PRESET = "robust"


def read_split(path):
    """[(half, kind, name)] in the file's order."""
    rows = []
    with open(path) as f:
        for line in f:
            line = line.split("#", 1)[0].split()
            if len(line) == 3:
                rows.append(tuple(line))
    return rows


def preset_switches():
    """[(label, {setting: default value})]: what --robust changes, one at a time."""
    frame = np.zeros((64, 64, 3), np.uint8)
    robust = tavo.Tracker(frame, [(8, 8, 16, 16)], robust=True, seed=1).settings
    default = tavo.Tracker(frame, [(8, 8, 16, 16)], seed=1).settings
    return [("-" + name, {name: default[name]}) for name in robust if robust[name] != default[name]]


def first_boxes(truth):
    """The ground truth's first frame, and its boxes and ids."""
    boxes, ids = [], []
    with open(truth) as f:
        rows = [line.strip().split(",") for line in f if line.strip()]
    first = min(int(r[0]) for r in rows)
    for r in rows:
        if int(r[0]) == first:
            ids.append(int(r[1]))
            boxes.append(tuple(int(float(v)) for v in r[2:6]))
    return first, boxes, ids


def run(job):
    """One run: (name, label, seed, success of all targets)."""
    name, video, truth, label, overrides, seed, frames = job
    # Tracking starts on the truth's first frame, as tavo-track --start
    # (the pucks' clips open on a title shot).
    start, boxes, ids = first_boxes(truth)
    tracks = tavo.track_video(video, boxes, ids=ids, seed=seed, robust=True, frames=frames,
                              start=start, **overrides)
    began = time.monotonic()
    success = tavo.score(tracks, truth)["success"]
    return name, label, seed, success, time.monotonic() - began


def locate(kind, name, args):
    if kind == "scene":
        return os.path.join(args.scenes, name + ".avi"), os.path.join(args.scenes, name + ".gt.txt")
    truth = os.path.splitext(name)[0] + ".gt.txt"  # balle1-vp9.avi: balle1-vp9.gt.txt
    return os.path.join(args.clips, name), os.path.join(args.clip_truth, truth)


def table(rows, labels, results):
    """Markdown rows: per item the median and worst seed of every configuration."""
    out = []
    means = {label: ([], []) for label in labels}
    for half, kind, name in rows:
        cells = []
        full = statistics.median(results[(name, PRESET)])
        for label in labels:
            seeds = results[(name, label)]
            median, worst = statistics.median(seeds), min(seeds)
            means[label][0].append(median)
            means[label][1].append(worst)
            mark = ""
            if label != PRESET and median < full - NOTABLE_CHANGE:
                mark = " -"
            elif label != PRESET and median > full + NOTABLE_CHANGE:
                mark = " +"
            cells.append(f"{median:.3f} / {worst:.3f}{mark}")
        out.append(f"| {half} | {kind} {name} | " + " | ".join(cells) + " |")
    cells = [f"{statistics.mean(m):.3f} / {statistics.mean(w):.3f}" for m, w in means.values()]
    out.append(f"| {rows[0][0]} | mean | " + " | ".join(cells) + " |")
    return out


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--seeds", default="1,2,3,4,5")
    p.add_argument("--frames", type=int, default=None, help="frames per run (default: all)")
    p.add_argument("--jobs", type=int, default=1)
    p.add_argument("--switches", default=None,
                   help="removals to run, comma-separated settings ('none': the preset alone)")
    p.add_argument("--raw", default=None, help="CSV file of every run")
    p.add_argument("--scenes", default=os.path.join(ROOT, "build", "scenes"))
    p.add_argument("--clips", default=os.path.join(ROOT, "build", "real-clips"))
    p.add_argument("--clip-truth", default=os.path.join(HERE, "real_clips"))
    p.add_argument("--split", default=os.path.join(HERE, "development_split.txt"))
    p.add_argument("names", nargs="*")
    args = p.parse_args()
    try:
        seeds = [int(s) for s in args.seeds.split(",")]
    except ValueError:
        sys.exit(f"ablation.py: --seeds {args.seeds}: expected whole numbers separated by commas")
    if args.frames is not None and args.frames < 1:
        sys.exit(f"ablation.py: --frames {args.frames}: expected at least 1")
    if args.jobs < 1:
        sys.exit(f"ablation.py: --jobs {args.jobs}: expected at least 1")
    split = read_split(args.split)
    known = {name for _, _, name in split}
    unknown = [n for n in args.names if n not in known]
    if unknown:
        sys.exit("ablation.py: not in " + args.split + ": " + " ".join(unknown))
    rows = [r for r in split if not args.names or r[2] in args.names]
    present = [r for r in rows if all(os.path.isfile(f) for f in locate(r[1], r[2], args))]
    for half, kind, name in rows:
        if (half, kind, name) not in present:
            print(f"ablation.py: {kind} {name}: its video or ground truth is missing; left out",
                  file=sys.stderr)
    if not present:
        sys.exit("ablation.py: nothing to run")
    switches = preset_switches()
    if args.switches is not None:
        wanted = [] if args.switches == "none" else args.switches.split(",")
        known_switches = [label[1:] for label, _ in switches]
        unknown = [w for w in wanted if w not in known_switches]
        if unknown:
            sys.exit(f"ablation.py: --switches {args.switches}: not set by the preset: {' '.join(unknown)} "
                     f"(it sets {','.join(known_switches)})")
        switches = [(label, o) for label, o in switches if label[1:] in wanted]
    configs = [(PRESET, {})] + switches
    jobs = [(name, *locate(kind, name, args), label, overrides, seed, args.frames)
            for _, kind, name in present for label, overrides in configs for seed in seeds]
    results = {}
    raw = open(args.raw, "w") if args.raw else None
    with ProcessPoolExecutor(max_workers=args.jobs) as pool:
        for name, label, seed, success, seconds in pool.map(run, jobs):
            results.setdefault((name, label), []).append(success)
            if raw:
                raw.write(f"{name},{label},{seed},{success:.6f},{seconds:.2f}\n")
                raw.flush()
    if raw:
        raw.close()
    labels = [label for label, _ in configs]
    frames = f"first {args.frames} frames" if args.frames else "all frames"
    print(f"success (overlap >= 0.5): median of seeds {args.seeds} / worst seed, {frames}; "
          f"'-': the removal lowers the median by more than {NOTABLE_CHANGE}, '+': raises it")
    for half in ("tuning", "checking"):
        half_rows = [r for r in present if r[0] == half]
        if not half_rows:
            continue
        print()
        print("| half | scene or clip | " + " | ".join(labels) + " |")
        print("|---|---|" + "---|" * len(labels))
        print("\n".join(table(half_rows, labels, results)))


if __name__ == "__main__":
    main()
