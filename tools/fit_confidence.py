#!/usr/bin/python3
"""Fits the calibrated confidence's weights on the tuning half of the development set.

    fit_confidence.py [--track PATH] [--scenes DIR] [--clips DIR] [--seeds "1 2 3"]
                      [--jobs N] [--terms NAME,...] [--ridge R] [--runs FILE] [OPTIONS]

Runs every item of tools/development_split.txt (as confidence_check.py
finds them) as confidence_check.py runs them with "--robust OPTIONS",
writing the MOT file M and "--confidence-terms T", judges every box of M right or
wrong as confidence_check.py does, and fits a logistic of the chosen terms
(--terms, columns of the --confidence-terms file; best_ratio is taken as its
logarithm and "distance" is the colours' Hellinger distance sqrt(1 -
similarity), as the tracker does) by Newton's method on the tuning half's
boxes alone, with a ridge R on the weights (not the bias).  Right and wrong
boxes weigh alike, and within each, every item alike: a clip of 16 boxes
counts as much as a scene of 1800, and one threshold serves both.  It prints the weights, for session/confidence.cpp,
and the pooled pair figure and threshold shares of that fit on each half,
computed from the terms as the tracker would write them (four decimals).
--runs FILE keeps the judged runs in FILE (JSON) and reads them from there
when it exists, so that other terms are tried without tracking again.
Needs Debian's /usr/bin/python3 with numpy.
"""

import argparse
import concurrent.futures
import csv
import json
import math
import os
import statistics
import subprocess
import sys
import tempfile

import numpy

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import confidence_check as check  # noqa: E402

DEFAULT_TERMS = "best_ratio,distance,spread,sample_share"
# The tracker's bounds on the best ratio before its logarithm.
LEAST_RATIO, MOST_RATIO = 1e-3, 2.0
# The tracker's least confidence of a box on the frame (kLeastConfidence).
LEAST_CONFIDENCE = 1e-4


def term_value(row, name):
    if name == "distance":
        return math.sqrt(max(0.0, 1.0 - float(row["similarity"])))
    value = float(row[name])
    return math.log(min(max(value, LEAST_RATIO), MOST_RATIO)) if name == "best_ratio" else value


def run_item(track, video, truth_path, seed, options, work):
    """[(terms row or None, mot confidence, right)] for every box of one run."""
    mot, terms = (tempfile.mkstemp(suffix=s, dir=work) for s in (".mot", ".csv"))
    for handle, _ in (mot, terms):
        os.close(handle)
    command = check.track_command(track, video, truth_path, mot[1], seed, "--robust " + options) + [
        "--confidence-terms", terms[1]]
    done = subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    if done.returncode != 0:
        raise RuntimeError("%s failed (%d): %s" % (" ".join(command), done.returncode, done.stderr.strip()))
    with open(terms[1]) as lines:
        rows = {(int(r["frame"]), int(r["id"])): r for r in csv.DictReader(lines)}
    truth = check.read_mot(truth_path, False)
    boxes = []
    for key, row in check.read_mot(mot[1], True).items():
        true_box = truth.get(key)
        right = true_box is not None and check.overlap(row[:4], true_box) >= check.RIGHT_OVERLAP
        boxes.append((rows.get(key), row[4], right))
    for _, path in (mot, terms):
        os.remove(path)
    return boxes


def box_shares(right, items):
    """Each box's weight: half to the right boxes, half to the wrong, each half shared by items alike."""
    share = numpy.zeros(len(right))
    for kind in (True, False):
        chosen = right == kind
        names = set(items[chosen])
        for name in names:
            mine = chosen & (items == name)
            share[mine] = 0.5 / (len(names) * mine.sum())
    return share


def fit(x, right, items, ridge):
    """Weights (bias first) of the logistic, boxes weighed by box_shares."""
    x = numpy.hstack([numpy.ones((len(x), 1)), x])
    y = right.astype(float)
    share = box_shares(right, items)
    penalty = ridge * numpy.eye(x.shape[1])
    penalty[0, 0] = 0.0
    w = numpy.zeros(x.shape[1])
    for _ in range(100):
        p = 1.0 / (1.0 + numpy.exp(-(x @ w)))
        gradient = x.T @ (share * (p - y)) + penalty @ w
        hessian = (x * (share * p * (1 - p))[:, None]).T @ x + penalty
        step = numpy.linalg.solve(hessian, gradient)
        w -= step
        if numpy.abs(step).max() < 1e-10:
            break
    return w


def confidence_of(row, w, terms):
    """As the tracker writes it: the MOT file's four decimals."""
    z = w[0] + sum(wi * term_value(row, name) for wi, name in zip(w[1:], terms))
    return round(max(LEAST_CONFIDENCE, 1.0 / (1.0 + math.exp(-z))), 4)


def judged(boxes, w, terms):
    return [(confidence_of(r, w, terms) if r is not None else c, right) for r, c, right in boxes]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--track", default=os.path.join(check.ROOT, "build", "tavo-track"))
    parser.add_argument("--scenes", default=os.path.join(check.ROOT, "build", "scenes"))
    parser.add_argument("--clips", default=os.path.join(check.ROOT, "build", "real-clips"))
    parser.add_argument("--split", default=os.path.join(HERE, "development_split.txt"))
    parser.add_argument("--seeds", default="1 2 3")
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--terms", default=DEFAULT_TERMS)
    parser.add_argument("--ridge", type=float, default=1e-4)
    parser.add_argument("--threshold", type=float, default=0.5)
    parser.add_argument("--runs", default="")
    args, extra = parser.parse_known_args()
    terms = args.terms.split(",")
    seeds = [int(s) for s in args.seeds.split()]
    items = [(h, n, check.item_paths(k, n, args.scenes, args.clips)) for h, k, n in check.read_split(args.split)]
    missing = [n for _, n, p in items if p is None]
    if missing:
        sys.exit("fit_confidence.py: missing video or ground truth: %s" % ", ".join(missing))
    if args.runs and os.path.isfile(args.runs):
        with open(args.runs) as saved:
            runs = {(n, s): boxes for n, s, boxes in json.load(saved)}
    else:
        with tempfile.TemporaryDirectory() as work, concurrent.futures.ThreadPoolExecutor(args.jobs) as pool:
            jobs = {(n, s): pool.submit(run_item, args.track, p[0], p[1], s, " ".join(extra), work)
                    for _, n, p in items for s in seeds}
            runs = {key: job.result() for key, job in jobs.items()}
        if args.runs:
            with open(args.runs, "w") as saved:
                json.dump([[n, s, boxes] for (n, s), boxes in runs.items()], saved)
    halves = {n: h for h, n, _ in items}
    tuning = [(n, b) for (n, _), boxes in runs.items() if halves[n] == "tuning" for b in boxes if b[0] is not None]
    x = numpy.array([[term_value(b[0], t) for t in terms] for _, b in tuning])
    w = fit(x, numpy.array([b[2] for _, b in tuning]), numpy.array([n for n, _ in tuning]), args.ridge)
    print("bias %.4g; " % w[0] + "; ".join("%s %.4g" % (t, v) for t, v in zip(terms, w[1:])))
    for half, name, _ in items:
        figures = [f for f in (check.pair_figure(judged(runs[(name, s)], w, terms)) for s in seeds) if f is not None]
        if figures:
            print("%s %s: %.3f (worst %.3f)" % (half, name, statistics.median(figures), min(figures)))
    print("| part | pair figure | worst seed | right below %g | wrong at or above |" % args.threshold)
    print("|---|---:|---:|---:|---:|")
    for part in ("tuning", "checking", "whole"):
        chosen = [n for h, n, _ in items if part in ("whole", h)]
        pooled = [judged([b for n in chosen for b in runs[(n, s)]], w, terms) for s in seeds]
        figures = [check.pair_figure(b) for b in pooled]
        shares = [check.threshold_shares(b, args.threshold) for b in pooled]
        print("| %s | %.3f | %.3f | %.3f | %.3f |" % (part, statistics.median(figures), min(figures),
                                                     statistics.median(s[1] for s in shares),
                                                     statistics.median(s[3] for s in shares)))


if __name__ == "__main__":
    main()
