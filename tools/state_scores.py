#!/usr/bin/python3
"""state_scores.py TAVO_TRACK SCENE_DIR SEEDS CONFIG...

How often tavo-track's --states are right on the occluded and exit scenes
that make-scenes writes (SCENE_DIR holds SCENE.avi, SCENE.gt.txt and
SCENE.hidden.txt or SCENE.outside.txt; targets come from the ground truth).
Every CONFIG is "LABEL=OPTIONS", e.g. "default=" or "robust=--robust";
SEEDS e.g. "1 2 3".  Prints a Markdown table per configuration: the share
of the frames whose state is right while an object is covered (hidden),
while it is outside the frame (lost) and while it is in plain view in the
ground truth (tracked), over all targets and seeds."""

import csv
import subprocess
import sys
import tempfile
from pathlib import Path


def runs(path):
    """{id: set of frames} of an id,firstFrame,lastFrame file."""
    frames = {}
    for line in Path(path).read_text().split():
        i, first, last = map(int, line.split(","))
        frames.setdefault(i, set()).update(range(first, last + 1))
    return frames


def in_view(truth_path, excluded):
    """{id: frames} of the ground truth, less the frames of `excluded`."""
    frames = {}
    for line in Path(truth_path).read_text().split():
        frame, i = map(int, line.split(",")[:2])
        if frame not in excluded.get(i, set()):
            frames.setdefault(i, set()).add(frame)
    return frames


def states(track, video, truth, seed, options, work):
    estimates = Path(work) / "estimates.csv"
    subprocess.run([track, str(video), "--targets", str(truth), "--seed", str(seed), "-q", "--states",
                    "--estimates", str(estimates), *options], check=True, stderr=subprocess.DEVNULL)
    with open(estimates) as f:
        return {(int(r["frame"]), int(r["id"])): r["state"] for r in csv.DictReader(f)}


def share(found, frames, wanted):
    right = sum(1 for i, fs in frames.items() for f in fs if found.get((f, i)) == wanted)
    return right, sum(len(fs) for fs in frames.values())


def main():
    track, folder, seeds, configs = sys.argv[1], Path(sys.argv[2]), sys.argv[3].split(), sys.argv[4:]
    print("| configuration | scene | covered: hidden | outside: lost | in view: tracked |")
    print("|---|---|---|---|---|")
    for config in configs:
        label, _, options = config.partition("=")
        for scene, kind, wanted in (("occluded", "hidden", "hidden"), ("exit", "outside", "lost")):
            episodes = runs(folder / f"{scene}.{kind}.txt")
            view = in_view(folder / f"{scene}.gt.txt", episodes)
            totals = {"episode": [0, 0], "view": [0, 0]}
            for seed in seeds:
                with tempfile.TemporaryDirectory() as work:
                    found = states(track, folder / f"{scene}.avi", folder / f"{scene}.gt.txt", seed,
                                   options.split(), work)
                for key, frames, state in (("episode", episodes, wanted), ("view", view, "tracked")):
                    right, count = share(found, frames, state)
                    totals[key][0] += right
                    totals[key][1] += count
            cells = {"hidden": "", "lost": ""}
            cells[wanted] = "%.3f (%d/%d)" % (totals["episode"][0] / totals["episode"][1], *totals["episode"])
            tracked = "%.3f (%d/%d)" % (totals["view"][0] / totals["view"][1], *totals["view"])
            print(f"| {label} | {scene} | {cells['hidden']} | {cells['lost']} | {tracked} |")


if __name__ == "__main__":
    main()
