#!/usr/bin/python3
"""Checks of the confidence's measuring and fitting tools (no tracking):

- confidence_check.py runs an item from its ground truth's first frame
  (tavo-track refuses targets whose first boxes are on a later frame);
- fit_confidence.py's logistic puts a term's weight on the side of its
  evidence and weighs right and wrong boxes equally, however few the wrong,
  and every item alike within each.

    /usr/bin/python3 tools/confidence_tools_test.py

Needs Debian's python3-numpy; exits 77 without it.
"""

import os
import sys
import tempfile

try:
    import numpy
except ImportError:
    print("SKIP: Debian's python3-numpy is not installed")
    sys.exit(77)

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import confidence_check  # noqa: E402
import fit_confidence  # noqa: E402


def check_start_frame():
    with tempfile.TemporaryDirectory() as work:
        truth = os.path.join(work, "clip.gt.txt")
        with open(truth, "w") as f:
            f.write("4,1,35,84,60,60,1,-1,-1,-1\n3,2,10,10,20,20,1,-1,-1,-1\n5,1,40,86,60,60,1,-1,-1,-1\n")
        command = confidence_check.track_command("T", "V", truth, "O", 2, "--robust --seed-free")
        assert command[command.index("--start") + 1] == "3", command
        assert command[-2:] == ["--robust", "--seed-free"], command
        with open(truth, "w") as f:
            f.write("1,1,35,84,60,60,1,-1,-1,-1\n2,1,36,85,60,60,1,-1,-1,-1\n")
        command = confidence_check.track_command("T", "V", truth, "O", 2, "")
        assert "--start" not in command, command


def check_fit():
    # 200 right boxes of high similarity, 10 wrong ones of low; a spread
    # that says nothing.  Balanced: the threshold sits between the classes,
    # not at the many right boxes' edge.
    random = numpy.random.default_rng(5)
    right = numpy.array([True] * 200 + [False] * 10)
    similarity = numpy.where(right, random.uniform(0.85, 1.0, 210), random.uniform(0.5, 0.8, 210))
    spread = random.uniform(0.0, 0.5, 210)
    items = numpy.array(["scene"] * 210)
    w = fit_confidence.fit(numpy.column_stack([similarity, spread]), right, items, 1e-4)
    assert w[1] > 0, w
    at = lambda s: 1.0 / (1.0 + numpy.exp(-(w[0] + w[1] * s + w[2] * 0.25)))
    assert at(0.9) > 0.9 and at(0.7) < 0.1, (at(0.9), at(0.7))
    assert abs(at(0.825) - 0.5) < 0.3, at(0.825)
    # Items weigh alike: a clip of 4 boxes as much as a scene of 200.
    shares = fit_confidence.box_shares(numpy.array([True] * 200 + [True] * 4 + [False] * 6),
                                       numpy.array(["scene"] * 200 + ["clip"] * 10))
    assert abs(shares[:200].sum() - 0.25) < 1e-12 and abs(shares[200:204].sum() - 0.25) < 1e-12, shares
    assert abs(shares[204:].sum() - 0.5) < 1e-12, shares


if __name__ == "__main__":
    check_start_frame()
    check_fit()
    print("confidence tools: all checks passed")
