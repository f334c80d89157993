#!/usr/bin/python3
"""Camera-moved copies of a real clip and its ground truth.

    move_camera.py CLIP TRUTH [--out DIR] [--motion pan|shake|zoom]...

For a clip and its MOTChallenge ground truth, writes into DIR (default: the
clip's folder) NAME-pan.avi, NAME-shake.avi and NAME-zoom.avi (or only the
motions named), each with NAME-MOTION.gt.txt beside it.  Every frame is
moved as a camera would move it, the same size as the original, the parts
that come in from outside the picture filled by replicating its border:

  pan    a slow pan and tilt: the picture slides sideways and, by half as
         much, up and down, out and back, at most PAN_SPEED pixels a frame;
  shake  a hand-held camera: a jitter that follows itself from frame to
         frame (an AR(1) walk of SHAKE_STEP of the frame's shorter side);
  zoom   a zoom in to ZOOM_MAX times and back out, about the frame's centre.

The camera stands where the original's did on the truth's first frame
(where the targets are taken from), so that frame's box is unchanged.  The
truth moves alike (the motions are translations and scalings, so a box
stays a box); as in the originals, a box cut by the frame's border keeps the
object's whole size, and a frame has no row while less than half of the
box is inside the frame.  The copies are written losslessly (FFV1) and are
deterministic: the shake draws from a generator with a fixed seed.
"""

import argparse
import os
import sys

import cv2
import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_ground_truth import read_frames  # noqa: E402

PAN_SPEED = 1.5  # pixels a frame at most: a slow pan, as a tripod's head
PAN_REACH = 0.08  # of the frame's width: how far the pan goes out
SHAKE_STEP = 0.004  # of the shorter side: a hand's jitter per frame
SHAKE_MEMORY = 0.7  # how much of the last frame's offset the next keeps
SHAKE_SEED = 20261210  # fixed: the copies are the same on every run
ZOOM_MAX = 1.25  # the zoom's largest scale, at the middle of the clip
MOTIONS = ("pan", "shake", "zoom")


def read_truth(path):
    """frame -> list of MOTChallenge fields (strings) of each row."""
    rows = {}
    with open(path) as lines:
        for line in lines:
            fields = line.strip().split(",")
            if len(fields) >= 6:
                rows.setdefault(int(fields[0]), []).append(fields)
    if not rows:
        sys.exit(f"move_camera.py: {path} holds no MOTChallenge row")
    return rows


def camera(motion, count, first, width, height):
    """Per frame (1-based, a list of count + 1 with index 0 unused): the
    affine matrix 2x3 that moves the original picture to the copy's."""
    span = max(count - first, 1)
    matrices = [None] * (count + 1)
    offset = np.zeros(2)
    rng = np.random.default_rng(SHAKE_SEED)
    reach = min(PAN_REACH * width, PAN_SPEED * span / np.pi)
    for number in range(1, count + 1):
        t = max(number - first, 0)
        phase = np.pi * t / span
        scale, dx, dy = 1.0, 0.0, 0.0
        if motion == "pan":
            dx, dy = reach * np.sin(phase), 0.5 * reach * np.sin(2 * phase)
        elif motion == "shake":
            if t > 0:
                offset = SHAKE_MEMORY * offset + rng.normal(0.0, SHAKE_STEP * min(width, height), 2)
            dx, dy = offset
        else:
            scale = 1.0 + (ZOOM_MAX - 1.0) * np.sin(phase)
        cx, cy = width / 2.0, height / 2.0
        matrices[number] = np.array([[scale, 0.0, cx - scale * cx + dx], [0.0, scale, cy - scale * cy + dy]])
    return matrices


def moved_box(matrix, box, width, height):
    """The box moved by the camera, or None while less than half of it is in
    the frame."""
    x, y, w, h = box
    scale = matrix[0, 0]
    nx, ny = scale * x + matrix[0, 2], scale * y + matrix[1, 2]
    nw, nh = scale * w, scale * h
    inside_w = min(nx + nw, width) - max(nx, 0.0)
    inside_h = min(ny + nh, height) - max(ny, 0.0)
    if inside_w <= 0 or inside_h <= 0 or inside_w * inside_h < 0.5 * nw * nh:
        return None
    return nx, ny, nw, nh


def write_copy(clip, truth, motion, out_dir):
    stem = os.path.splitext(os.path.basename(clip))[0]
    frames, fps = read_frames(clip, "move_camera.py")
    fps = fps or 25.0
    height, width = frames[0].shape[:2]
    first = min(truth)
    matrices = camera(motion, len(frames), first, width, height)
    path = os.path.join(out_dir, f"{stem}-{motion}.avi")
    writer = cv2.VideoWriter(path, cv2.VideoWriter_fourcc(*"FFV1"), fps, (width, height))
    if not writer.isOpened():
        sys.exit(f"move_camera.py: OpenCV cannot write {path} (FFV1)")
    for number, frame in enumerate(frames, start=1):
        writer.write(cv2.warpAffine(frame, matrices[number], (width, height), flags=cv2.INTER_LINEAR,
                                    borderMode=cv2.BORDER_REPLICATE))
    writer.release()
    kept = 0
    with open(os.path.join(out_dir, f"{stem}-{motion}.gt.txt"), "w") as out:
        for number in sorted(truth):
            if number > len(frames):
                continue
            for fields in truth[number]:
                box = moved_box(matrices[number], [float(v) for v in fields[2:6]], width, height)
                if box is None:
                    continue
                kept += 1
                rest = ",".join(fields[6:])
                out.write(f"{number},{fields[1]},{box[0]:.1f},{box[1]:.1f},{box[2]:.1f},{box[3]:.1f},{rest}\n")
    print(f"move_camera.py: {path}: {len(frames)} frames, {kept} of {sum(map(len, truth.values()))} boxes kept")


def main():
    parser = argparse.ArgumentParser(description="Camera-moved copies (pan, shake, zoom) of a clip and its truth.")
    parser.add_argument("clip")
    parser.add_argument("truth")
    parser.add_argument("--out", help="folder of the copies (default: the clip's)")
    parser.add_argument("--motion", action="append", choices=MOTIONS, help="only this motion (repeatable)")
    args = parser.parse_args()
    if not os.path.exists(args.clip):
        sys.exit(f"move_camera.py: {args.clip} is missing (run tools/real_clips/fetch.sh)")
    truth = read_truth(args.truth)
    out_dir = args.out or os.path.dirname(os.path.abspath(args.clip))
    os.makedirs(out_dir, exist_ok=True)
    for motion in args.motion or MOTIONS:
        write_copy(args.clip, truth, motion, out_dir)


if __name__ == "__main__":
    main()
