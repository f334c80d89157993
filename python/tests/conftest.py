"""What the tests of the Python module share: the build's programs and demo
video, the demo's boxes, tavo-track's MOT lines and small drawn frames.

CTest runs them with PYTHONPATH at the built module and TAVO_BINARY_DIR,
TAVO_TRACK and TAVO_SOURCE_DIR set (python/CMakeLists.txt)."""

import os
import subprocess
from pathlib import Path

import numpy as np
import pytest

BINARY_DIR = Path(os.environ.get("TAVO_BINARY_DIR", Path(__file__).resolve().parents[2] / "build"))
SOURCE_DIR = Path(os.environ.get("TAVO_SOURCE_DIR", Path(__file__).resolve().parents[2]))
TAVO_TRACK = Path(os.environ.get("TAVO_TRACK", BINARY_DIR / "tavo-track"))
DEMO_VIDEO = BINARY_DIR / "TAVO_DEMO.avi"
DEMO_TRUTH = BINARY_DIR / "TAVO_DEMO.gt.txt"

# The nine targets of the demo (core/demo_scenario.cpp).
DEMO_BOXES = [(136, 261, 18, 18), (216, 231, 18, 18), (259, 157, 18, 18), (244, 74, 18, 18), (178, 19, 18, 18),
              (94, 19, 18, 18), (28, 74, 18, 18), (13, 157, 18, 18), (56, 231, 18, 18)]


def two_decimals(v):
    text = "%.2f" % v
    return "0.00" if text == "-0.00" else text


def mot_lines(frame_number, tracks, with_confidence=False):
    """The lines tavo-track's --mot writes for one frame's tracks."""
    lines = []
    for t in tracks:
        conf = "%.4f" % min(1.0, max(0.0, t.confidence)) if with_confidence else "1"
        lines.append(f"{frame_number},{t.id},{two_decimals(t.x)},{two_decimals(t.y)},{two_decimals(t.w)},"
                     f"{two_decimals(t.h)},{conf},-1,-1,-1")
    return lines


def run_tavo_track(tmp_path, *args):
    """tavo-track's --mot lines and standard output for the arguments."""
    mot = tmp_path / "tracks.mot"
    done = subprocess.run([str(TAVO_TRACK), *map(str, args), "--mot", str(mot)], capture_output=True, text=True,
                          check=True)
    return mot.read_text().splitlines(), done.stdout


def command_error(*args):
    """tavo-track's message for a refused command line, without "tavo-track: "."""
    done = subprocess.run([str(TAVO_TRACK), *map(str, args)], capture_output=True, text=True)
    assert done.returncode != 0, done
    return done.stderr.splitlines()[0].removeprefix("tavo-track: ")


def squares_frame(width=160, height=120, shift=0):
    """A grey frame with a green and a blue square, moved right by shift."""
    frame = np.full((height, width, 3), 90, np.uint8)
    frame[20:40, 20 + shift:40 + shift] = (0, 200, 0)
    frame[70:94, 90 + shift:114 + shift] = (220, 40, 0)
    return frame


SQUARE_BOXES = [(20, 20, 20, 20), (90, 70, 24, 24)]


@pytest.fixture(scope="session")
def demo_video():
    if not DEMO_VIDEO.exists():
        pytest.fail(f"{DEMO_VIDEO} is missing: build the project first")
    return DEMO_VIDEO
