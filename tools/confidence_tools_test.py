#!/usr/bin/python3
"""Checks of the confidence's measuring and fitting tools (no tracking):

- confidence_check.py runs an item from its ground truth's first frame
  (tavo-track refuses targets whose first boxes are on a later frame).

    /usr/bin/python3 tools/confidence_tools_test.py
"""

import os
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import confidence_check  # noqa: E402


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


if __name__ == "__main__":
    check_start_frame()
    print("confidence tools: all checks passed")
