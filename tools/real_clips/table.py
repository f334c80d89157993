#!/usr/bin/python3
"""The real clips' table: tavo-track under option strings beside OpenCV's trackers.

    table.py [--clips DIR] [--track PATH] [--seeds "1 2 3 4 5"] [--only NAME|tuning|checking]...
             [--no-moved] [--no-opencv] [--jobs N] [LABEL=OPTIONS]...

Every LABEL=OPTIONS argument is a row label and a string of tavo-track
options, e.g. 'robust=--robust' 'no-fit=--robust --fit-box 0'; without any,
'default=' and 'robust=--robust'.  The clips are those of
tools/development_split.txt and, unless --no-moved, their camera-moved
copies (NAME-pan, NAME-shake, NAME-zoom in DIR/moved, written by
move_camera.py when missing).  --only keeps a clip (with its copies) or a
half; repeatable.

For every clip and option string, tavo-track runs once per seed as

    tavo-track CLIP --targets TRUTH --gt TRUTH --seed S -q [--start F] OPTIONS

(F: the truth's first frame, when not 1) and OpenCV's CSRT, KCF and MOSSE
once each, from the truth's box on its first frame (score.py tells how both
are scored: success is the share of frames with truth where the box
overlaps the true one by at least 0.5).  Prints a Markdown table, the
tuning half's rows apart from the checking half's: per clip, each option
string's median success over the seeds and its worst seed, then CSRT, KCF,
MOSSE, then the best of the three; and a last row per half with the mean of
each column.  --jobs runs that many tracking processes at once (default 1:
the machine may be shared).
"""

import concurrent.futures
import os
import statistics
import subprocess
import sys

import score

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
SPLIT = os.path.join(ROOT, "tools", "development_split.txt")
MOTIONS = ("pan", "shake", "zoom")


def split_clips():
    """[(half, file name)] of the clips of the development split, in order."""
    clips = []
    with open(SPLIT) as lines:
        for line in lines:
            fields = line.split()
            if len(fields) == 3 and not line.startswith("#") and fields[1] == "clip":
                clips.append((fields[0], fields[2]))
    return clips


def clip_runs(settings):
    """[(half, name, video, truth file)] of every clip to score, copies after
    their clip."""
    runs = []
    for half, file_name in split_clips():
        name = os.path.splitext(file_name)[0]
        if settings["only"] and not {half, name} & settings["only"]:
            continue
        video = os.path.join(settings["clips"], file_name)
        if not os.path.exists(video):
            sys.exit(f"table.py: {video} is missing: run tools/real_clips/fetch.sh")
        truth = os.path.join(HERE, name + ".gt.txt")
        runs.append((half, name, video, truth))
        if not settings["moved"]:
            continue
        moved = os.path.join(settings["clips"], "moved")
        for motion in MOTIONS:
            copy, copy_truth = (os.path.join(moved, f"{name}-{motion}{ext}") for ext in (".avi", ".gt.txt"))
            if not (os.path.exists(copy) and os.path.exists(copy_truth)):
                subprocess.run(["/usr/bin/python3", os.path.join(HERE, "move_camera.py"), video, truth,
                                "--out", moved, "--motion", motion], check=True)
            runs.append((half, f"{name}-{motion}", copy, copy_truth))
    return runs


def parse_arguments(arguments):
    settings = {"clips": os.path.join(ROOT, "build", "real-clips"), "track": os.path.join(ROOT, "build", "tavo-track"),
                "seeds": "1 2 3 4 5", "only": set(), "moved": True, "opencv": True, "jobs": "1"}
    configs = []
    i = 0
    while i < len(arguments):
        argument = arguments[i]
        if argument in ("-h", "--help"):
            print(__doc__)
            sys.exit(0)
        if argument in ("--clips", "--track", "--seeds", "--only", "--jobs"):
            if i + 1 == len(arguments):
                sys.exit(f"table.py: {argument} needs a value")
            if argument == "--only":
                settings["only"].add(arguments[i + 1])
            else:
                settings[argument[2:]] = arguments[i + 1]
            i += 2
            continue
        if argument in ("--no-moved", "--no-opencv"):
            settings[argument[5:]] = False
        elif "=" in argument:
            label, options = argument.split("=", 1)
            configs.append((label, options))
        else:
            sys.exit(f"table.py: {argument!r} is not LABEL=OPTIONS nor an option of table.py (see --help)")
        i += 1
    if not settings["jobs"].isdigit() or int(settings["jobs"]) < 1:
        sys.exit(f"table.py: --jobs {settings['jobs']}: a whole number of 1 or more")
    return settings, configs or [("default", ""), ("robust", "--robust")]


def tavo_cell(settings, video, truth_file, options):
    """(median success, worst seed) of one option string on one clip."""
    first = min(score.read_truth(truth_file))
    if first > 1:
        options = f"--start {first} {options}"
    runs = [score.run_tavo(settings["track"], video, truth_file, seed, options) for seed in settings["seeds"].split()]
    successes = [r[0] for r in runs]
    return statistics.median(successes), min(successes)


def opencv_cells(video, truth_file):
    truth = score.read_truth(truth_file)
    return [score.run_opencv(make, video, truth)[0] for make in score.OPENCV_TRACKERS.values()]


def main():
    settings, configs = parse_arguments(sys.argv[1:])
    runs = clip_runs(settings)
    pool = concurrent.futures.ThreadPoolExecutor(int(settings["jobs"]))
    cells = {}
    for _, name, video, truth in runs:
        for label, options in configs:
            cells[name, label] = pool.submit(tavo_cell, settings, video, truth, options)
        if settings["opencv"]:
            cells[name, "opencv"] = pool.submit(opencv_cells, video, truth)
    heading = "| half | clip |" + "".join(f" {label} | {label} worst |" for label, _ in configs)
    rule = "|---|---|" + "---:|---:|" * len(configs)
    if settings["opencv"]:
        heading += " CSRT | KCF | MOSSE | best of three |"
        rule += "---:|---:|---:|---:|"
    print(heading)
    print(rule)
    for half in ("tuning", "checking"):
        columns = []
        for row_half, name, _, _ in runs:
            if row_half != half:
                continue
            values = []
            for label, _ in configs:
                values += list(cells[name, label].result())
            if settings["opencv"]:
                opencv = cells[name, "opencv"].result()
                values += opencv + [max(opencv)]
            columns.append(values)
            print(f"| {half} | {name} |" + "".join(f" {v:.3f} |" for v in values), flush=True)
        if columns:
            means = [statistics.mean(column) for column in zip(*columns)]
            print(f"| {half} | **mean of {len(columns)}** |" + "".join(f" {v:.3f} |" for v in means), flush=True)
    pool.shutdown()


if __name__ == "__main__":
    main()
