#!/usr/bin/python3
"""Checks of the real clips' tools on a small clip made here (no download):

- move_camera.py: every copy keeps the frame's size and count, the truth's
  first box unchanged, and its boxes on the object as the copy shows it
  (pan, shake and zoom); a box less than half inside the frame loses its
  row, the others keep theirs; two runs write the same frames and truth.
- score.py: OpenCV's trackers start on the truth's first frame, even when
  that is not frame 1 (a clip whose first frames show another shot).

    /usr/bin/python3 tools/real_clips/real_clips_test.py

Needs Debian's python3-opencv and python3-numpy; exits 77 without them.
"""

import os
import subprocess
import sys
import tempfile

try:
    import cv2
    import numpy as np
except ImportError:
    print("SKIP: Debian's python3-opencv or python3-numpy is not installed")
    sys.exit(77)

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import score  # noqa: E402

WIDTH, HEIGHT, FRAMES, FIRST = 160, 120, 30, 3
SIDE = 16  # the red square's side
EDGE_BOX = (150, 10, 16, 16)  # id 2: 10 of its 16 columns inside the frame


def check(condition, message):
    if not condition:
        sys.exit(f"FAIL: {message}")


def square_at(number):
    return 20 + 2 * number, 50 + (number % 5)


def make_clip(folder):
    """A red square moving right over a textured grey background; truth from
    frame FIRST on (id 1), and a box at the right border (id 2)."""
    rng = np.random.default_rng(5)
    texture = cv2.GaussianBlur(rng.integers(60, 200, (HEIGHT, WIDTH), dtype=np.uint8), (0, 0), 2)
    path = os.path.join(folder, "square.avi")
    writer = cv2.VideoWriter(path, cv2.VideoWriter_fourcc(*"FFV1"), 25, (WIDTH, HEIGHT))
    with open(os.path.join(folder, "square.gt.txt"), "w") as truth:
        for number in range(1, FRAMES + 1):
            frame = cv2.cvtColor(texture, cv2.COLOR_GRAY2BGR)
            x, y = square_at(number)
            frame[y:y + SIDE, x:x + SIDE] = (0, 0, 230)
            writer.write(frame)
            if number >= FIRST:
                truth.write(f"{number},1,{x},{y},{SIDE},{SIDE},1,-1,-1,-1\n")
                truth.write(f"{number},2,{','.join(map(str, EDGE_BOX))},1,-1,-1,-1\n")
    writer.release()
    return path, os.path.join(folder, "square.gt.txt")


def frames_of(path):
    video = cv2.VideoCapture(path)
    frames = []
    while True:
        ok, frame = video.read()
        if not ok:
            return frames
        frames.append(frame)


def rows_of(path):
    rows = {}
    with open(path) as lines:
        for line in lines:
            fields = line.split(",")
            rows[int(fields[0]), int(fields[1])] = tuple(float(v) for v in fields[2:6])
    return rows


def red_box(frame):
    ys, xs = np.nonzero((frame[:, :, 2] > 150) & (frame[:, :, 1] < 80) & (frame[:, :, 0] < 80))
    return xs.min(), ys.min(), xs.max() - xs.min() + 1, ys.max() - ys.min() + 1


def check_copy(motion, clip, folder):
    copy, truth = (os.path.join(folder, f"square-{motion}{ext}") for ext in (".avi", ".gt.txt"))
    frames, rows = frames_of(copy), rows_of(truth)
    check(len(frames) == FRAMES and frames[0].shape == (HEIGHT, WIDTH, 3), f"{motion}: size or frame count")
    original = rows_of(os.path.join(os.path.dirname(clip), "square.gt.txt"))
    check(rows[FIRST, 1] == original[FIRST, 1] and rows[FIRST, 2] == original[FIRST, 2],
          f"{motion}: the first frame's boxes moved: {rows[FIRST, 1]}, {rows[FIRST, 2]}")
    check(all(n >= FIRST for n, _ in rows), f"{motion}: rows before the truth's first frame")
    for number in range(FIRST, FRAMES + 1):
        seen = red_box(frames[number - 1])
        check(score.overlap(seen, rows[number, 1]) >= 0.8,
              f"{motion}: frame {number}: the truth {rows[number, 1]} is not on the square, seen at {seen}")
    for (number, target), (x, y, w, h) in rows.items():
        inside = max(0.0, min(x + w, WIDTH) - max(x, 0.0)) * max(0.0, min(y + h, HEIGHT) - max(y, 0.0))
        check(inside >= 0.5 * w * h, f"{motion}: frame {number} keeps a box less than half inside")
    return rows


def check_move_camera(clip, gt, work):
    tool = os.path.join(HERE, "move_camera.py")
    for folder in ("a", "b"):
        done = subprocess.run(["/usr/bin/python3", tool, clip, gt, "--out", os.path.join(work, folder)],
                              capture_output=True, text=True, timeout=600)
        check(done.returncode == 0, f"move_camera.py failed: {done.stderr}")
    for motion in ("pan", "shake", "zoom"):
        rows = check_copy(motion, clip, os.path.join(work, "a"))
        a, b = (os.path.join(work, f, f"square-{motion}") for f in ("a", "b"))
        check(open(a + ".gt.txt").read() == open(b + ".gt.txt").read(), f"{motion}: the truth differs between runs")
        check(all(np.array_equal(p, q) for p, q in zip(frames_of(a + ".avi"), frames_of(b + ".avi"))),
              f"{motion}: the frames differ between runs")
        if motion == "pan":
            # The pan slides the picture right, out and back: the border box
            # leaves the frame in the middle of the clip and comes back.
            kept = sorted(n for n, t in rows if t == 2)
            check(kept[0] == FIRST and kept[-1] == FRAMES and len(kept) < FRAMES - FIRST + 1,
                  f"pan: the border box's rows {kept}")


def check_score_start(clip, gt):
    truth = score.read_truth(gt)
    success, _, _, frames = score.run_opencv(score.OPENCV_TRACKERS["CSRT"], clip, truth)
    check(frames == FRAMES and success >= 0.9, f"CSRT from frame {FIRST}: success {success}, {frames} frames")


def main():
    with tempfile.TemporaryDirectory() as work:
        clip, gt = make_clip(work)
        check_move_camera(clip, gt, work)
        check_score_start(clip, gt)
    print("real_clips_test.py: all checks passed")


if __name__ == "__main__":
    main()
