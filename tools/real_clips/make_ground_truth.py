#!/usr/bin/python3
"""Ground truth of the real clips, in MOTChallenge form.

    make_ground_truth.py [CLIP_DIR] [--out DIR] [--sheets DIR] [--every N] [--clip NAME]

For every clip in CLIP_DIR (default build/real-clips, filled by fetch.sh) it
writes NAME.gt.txt (default: beside this script), one row
frame,id,x,y,w,h,1,-1,-1,-1 per frame in which the object is visible, frame 1
being the first frame that OpenCV reads.  --sheets writes contact sheets to
look at: every N-th frame, a zoomed crop around the box with the box drawn
(NAME-sheet.png), and the whole frames at a quarter of the frame rate of
the sheet (NAME-overview.png).

Most clips' objects have a colour of their own (red ball, yellow tennis
ball, copper coin, dark puck) or move over a still background (the
cyclists: the background is put together from the first and last frames,
on either side of a column that the cyclist is on neither side of).  A frame's pixels within the object's colour ranges form a
mask; the piece of it nearest to where the object is expected (its last
centre moved by its last velocity), within a gate that widens while the
object is not found, and the pieces close to that one are the object's sure
pixels.  The box reaches from them to the blurred or washed-out rim (see
"grow" below).  A ball's box that is not round or not of the ball's size
nearby is replaced by a square of that size; a box cut by the frame's
border is extended to the whole object beyond it, and the frame has no row
while less than half the object is inside.  Boxes of frames listed as
hidden (an occluder over much of the object) are interpolated; corrections
replace or drop single boxes.  Where neither colour nor motion finds the
object (the plane of a rendered room whose camera flies, the white bird,
the white dog), boxes placed by eye on keyframes are interpolated.  The
sheets are how all this was checked.
"""

import argparse
import os
import sys

import cv2
import numpy as np

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))

# ranges: HSV boxes (OpenCV: hue 0..179) of the object's colour, sure to
#   hold no background pixel near the object.
# grow: how the box reaches the object's blurred or washed-out rim from the
#   sure pixels, within 0.8 of the object's size around them: "colour" (the
#   sure pixels and the looser HSV boxes grow_ranges around them) or
#   "brighter" (instead of the sure pixels, which may hold its shadow, the
#   pixels brighter than in the clip's median frame by more than
#   grow_threshold, not within the HSV boxes grow_exclude, that touch them).
# start: the object's centre on frame 1 (x, y).
# size: the object's diameter in pixels on frame 1 (then learnt).
# min_area: the least area (pixels) of a piece of sure pixels that counts as
#   the object.
# opening: a side of the square that opens the mask (removes thin lines such
#   as an occluder's dark rim), 0 for none.
# round: the object is a ball: see made_round.
# hidden: frames in which an occluder hides much of the object: their boxes
#   are interpolated between the nearest frames outside the list.
# corrections (optional): frame -> (x, y, w, h), or None for no row.
# first (optional): the first frame with a row (earlier frames show another
#   shot; tracking starts there).
# region (optional): x0, y0, x1, y1 of the part of the frame where the object
#   can be (a frame's dark border, a bench outside the table left out).
# closing (optional): a side of the square that closes the mask (joins a
#   puck's dark centre to its ring).
# moving (optional): instead of colour ranges, the pixels differing from a
#   background by more than this (largest difference of the channels); the
#   background is the last frame left of column split, the first frame right
#   of it.
# keyframes (optional): instead of finding the object, frame -> box placed by
#   eye (or None: no row from that frame to the next keyframe); the frames
#   between are interpolated.
# The two puck clips: a dark puck with a pale ring on an air table, framed
# alike (a title shot fills frames 1-2).
PUCK = dict(
    ranges=[((0, 0, 0), (179, 70, 120))],
    closing=9,
    region=(8, 14, 392, 235),
    first=3,
    round=True,
    grow=None,
    size=48,
    min_area=150,
)

CLIPS = {
    "balle1-vp9": dict(
        file="balle1-vp9.avi",
        ranges=[((0, 120, 50), (6, 255, 255)), ((168, 120, 50), (179, 255, 255))],
        grow="colour",
        grow_ranges=[((0, 80, 40), (7, 255, 255)), ((165, 80, 40), (179, 255, 255))],
        start=(88, 126),
        size=12,
        min_area=6,
        round=True,
    ),
    "balle-jbart": dict(
        file="balle-jbart.mp4",
        ranges=[((22, 50, 70), (45, 255, 255))],
        grow="brighter",
        grow_threshold=40,
        grow_exclude=[((0, 30, 0), (20, 255, 255)), ((150, 30, 0), (179, 255, 255))],  # hand, wall
        start=(119, 368),
        size=22,
        min_area=20,
        round=True,
    ),
    "motion": dict(
        file="motion.mov",
        ranges=[((0, 60, 30), (30, 255, 170))],
        opening=5,
        grow=None,
        start=(454, 138),
        size=60,
        min_area=200,
        hidden=list(range(140, 146)),  # the pen lies over the coin
    ),
    # A puck on an air table, dark centre in a pale ring with dark rims; a
    # title shot fills frames 1-2.  A hand pushes it (frames 3-10).
    "Force_constante": dict(
        PUCK,
        file="Force_constante.avi",
        start=(55, 75),
        # the hand's dark fingers lie over the puck: placed by eye
        corrections={3: (35, 84, 60, 60), 4: (36, 85, 60, 60), 5: (40, 86, 60, 60), 6: (48, 83, 60, 60),
                     7: (60, 80, 60, 60)},
    ),
    "Principe_inertie": dict(
        PUCK,
        file="Principe_inertie.avi",
        start=(75, 75),
        corrections={3: (48, 83, 64, 64), 4: (51, 82, 64, 64), 5: (54, 83, 64, 64), 6: (58, 82, 64, 64),
                     7: (65, 82, 64, 64)},
    ),
    # A cyclist (person and bicycle) riding from left to right.
    "g1": dict(
        file="g1.avi",
        moving=40,
        split=190,
        opening=3,
        closing=9,
        grow=None,
        start=(70, 150),
        size=130,
        min_area=400,
        # frame 1: the rear wheel is cut by the frame's left border, the box
        # holds the part inside (the targets start from it); frame 7 is
        # shifted against the others (the camera jumps): placed by eye
        corrections={1: (0, 55, 160, 228), 7: (71, 57, 193, 225)},
    ),
    "g2": dict(
        file="g2.avi",
        moving=40,
        split=232,
        opening=3,
        closing=9,
        grow=None,
        start=(150, 120),
        size=120,
        min_area=400,
    ),
    # The plane: its dark wings and pale fuselage up to the exhaust's glow.
    "anim-1": dict(
        file="anim-1.mov",
        keyframes={1: (65, 66, 63, 42), 8: (56, 83, 75, 46), 14: (74, 101, 83, 44), 18: (87, 112, 90, 43),
                   26: (101, 119, 98, 32), 31: (104, 121, 84, 30), 36: (104, 119, 74, 25), 41: (103, 117, 60, 23),
                   46: (108, 115, 68, 22), 51: (114, 115, 77, 22), 56: (120, 116, 82, 22),
                   61: (126, 115, 82, 26), 71: (133, 100, 72, 29), 81: (112, 81, 77, 23),
                   86: (90, 75, 74, 25), 91: (90, 75, 73, 25)},
    ),
    # The bird's head (crest to the beak's tip, cheek to cheek); while it is
    # so close that less than half of it is in the frame, no row.
    "cockatoo": dict(
        file="cockatoo.mp4",
        keyframes={1: (390, 5, 175, 245), 11: (480, -30, 200, 360), 21: (510, -120, 290, 500),
                   31: (440, -100, 340, 570), 41: (300, -200, 500, 760), 51: (350, -250, 650, 870),
                   52: None, 176: (250, -250, 650, 870), 191: (280, -200, 600, 850), 206: (300, -50, 660, 630),
                   221: (220, 0, 760, 600), 236: (720, 50, 555, 450), 251: (750, 18, 530, 390),
                   266: (595, 105, 420, 375), 280: (462, 90, 377, 316)},
    ),
    # The dog lying on the floor, head, paws and the fur of its body.
    "VID_20191220_170832": dict(
        file="VID_20191220_170832.mp4",
        keyframes={1: (390, 110, 805, 765), 21: (380, 130, 808, 782), 41: (370, 150, 810, 800)},
    ),
}


def read_frames(path, program="make_ground_truth.py"):
    """Every frame of the clip and its declared frame rate (0 if none)."""
    video = cv2.VideoCapture(path)
    if not video.isOpened():
        sys.exit(f"{program}: OpenCV cannot open {path}")
    frames = []
    while True:
        ok, frame = video.read()
        if not ok:
            break
        frames.append(frame)
    if not frames:
        sys.exit(f"{program}: no frame read from {path}")
    return frames, video.get(cv2.CAP_PROP_FPS)


def hsv_mask(hsv, ranges):
    mask = np.zeros(hsv.shape[:2], np.uint8)
    for lo, hi in ranges:
        mask |= cv2.inRange(hsv, np.array(lo, np.uint8), np.array(hi, np.uint8))
    return mask


def sure_pieces(mask, expected, gate, min_area):
    """The mask's pieces that make the object: the one of at least min_area
    pixels nearest the expected centre within the gate, and those within one
    of its sizes of it (an object cut in two by an occluder).  A mask of
    them, or None."""
    n, labels, stats, centres = cv2.connectedComponentsWithStats(mask)
    near = [i for i in range(1, n) if np.hypot(*(centres[i] - expected)) <= gate]
    leads = [i for i in near if stats[i, cv2.CC_STAT_AREA] >= min_area]
    if not leads:
        return None
    lead = min(leads, key=lambda i: np.hypot(*(centres[i] - expected)))
    reach = max(stats[lead, cv2.CC_STAT_WIDTH], stats[lead, cv2.CC_STAT_HEIGHT])
    chosen = [i for i in near if i == lead or np.hypot(*(centres[i] - centres[lead])) <= reach]
    return np.isin(labels, chosen).astype(np.uint8) * 255


def grown(sure, loose, size, with_sure=True):
    """The pieces of the loose pixels within 0.8 of the object's size around
    the sure pixels' centre that touch the sure pixels, with the sure pixels
    themselves or, with_sure False, without them (the sure pixels only when
    no loose piece touches them)."""
    ys, xs = np.nonzero(sure)
    disk = np.zeros_like(sure)
    cv2.circle(disk, (int(round(xs.mean())), int(round(ys.mean()))), int(round(0.8 * size)), 255, -1)
    region = (loose & disk) | sure
    _, labels = cv2.connectedComponents(region)
    keep = np.unique(labels[sure > 0])
    if not with_sure:
        _, labels = cv2.connectedComponents(loose & disk)
        keep = np.unique(labels[sure > 0])
        if not keep.any():
            return sure
    return np.isin(labels, keep[keep > 0]).astype(np.uint8) * 255


def bounding_box(mask):
    ys, xs = np.nonzero(mask)
    return int(xs.min()), int(ys.min()), int(xs.max() - xs.min() + 1), int(ys.max() - ys.min() + 1)


def whole_object(box, size, width, height):
    """A box cut by the frame's border, extended to the object's size beyond
    it; None while less than half the object is inside the frame."""
    x, y, w, h = box
    if x == 0 and w < size:
        if w < 0.5 * size:
            return None
        x, w = x + w - size, size
    elif x + w == width and w < size:
        if w < 0.5 * size:
            return None
        w = size
    if y == 0 and h < size:
        if h < 0.5 * size:
            return None
        y, h = y + h - size, size
    elif y + h == height and h < size:
        if h < 0.5 * size:
            return None
        h = size
    return x, y, w, h


def interpolated(keyframes, count):
    """frame number -> box, from boxes placed on keyframes (a keyframe of
    None: no rows until the next keyframe)."""
    rows = {}
    marks = sorted(keyframes)
    for a, b in zip(marks, marks[1:] + [None]):
        if keyframes[a] is None:
            continue
        if b is None or keyframes[b] is None:
            rows[a] = keyframes[a]
            continue
        for number in range(a, b + 1):
            t = (number - a) / float(b - a)
            rows[number] = tuple(int(round((1 - t) * p + t * q)) for p, q in zip(keyframes[a], keyframes[b]))
    return {n: box for n, box in rows.items() if n <= count}


def moving_background(frames, split):
    """A still background without the cyclist: the last frame left of the
    column split, the first right of it."""
    background = frames[0].copy()
    background[:, :split] = frames[-1][:, :split]
    return background.astype(np.int16)


def object_mask(frame, hsv, clip, background):
    """The pixels that may be the object's sure pixels."""
    if clip.get("moving"):
        mask = (np.abs(frame.astype(np.int16) - background).max(axis=2) > clip["moving"]).astype(np.uint8) * 255
    else:
        mask = hsv_mask(hsv, clip["ranges"])
    if clip.get("region"):
        x0, y0, x1, y1 = clip["region"]
        inside = np.zeros_like(mask)
        inside[y0:y1, x0:x1] = 255
        mask &= inside
    if clip.get("opening"):
        mask = cv2.morphologyEx(mask, cv2.MORPH_OPEN, np.ones((clip["opening"],) * 2, np.uint8))
    if clip.get("closing"):
        mask = cv2.morphologyEx(mask, cv2.MORPH_CLOSE, np.ones((clip["closing"],) * 2, np.uint8))
    return mask


def ground_truth(frames, clip):
    """frame number -> box of the object."""
    if "keyframes" in clip:
        return interpolated(clip["keyframes"], len(frames))
    rows, sure_boxes, clean, cut = {}, {}, set(), set()
    height, width = frames[0].shape[:2]
    background = None
    if clip["grow"] == "brighter":
        background = np.median(np.array([f.max(axis=2) for f in frames[::2]]), axis=0).astype(np.int16)
    elif clip.get("moving"):
        background = moving_background(frames, clip["split"])
    opening = np.ones((3, 3), np.uint8)
    centre = np.array(clip["start"], float)
    velocity = np.zeros(2)
    misses = 0
    sizes = [clip["size"]]
    for number, frame in enumerate(frames, start=1):
        if number < clip.get("first", 1):
            continue
        size = float(np.median(sizes[-10:]))
        expected = centre + velocity * (misses + 1)
        gate = size * (1.5 + 0.5 * misses) + np.hypot(*velocity)
        hsv = cv2.cvtColor(frame, cv2.COLOR_BGR2HSV)
        mask = object_mask(frame, hsv, clip, background)
        sure = sure_pieces(mask, expected, gate, clip["min_area"])
        if sure is None:
            misses += 1
            continue
        sure_boxes[number] = bounding_box(sure)
        if clip["grow"] == "colour":
            sure = grown(sure, hsv_mask(hsv, clip["grow_ranges"]), size)
        elif clip["grow"] == "brighter":
            moved = frame.max(axis=2).astype(np.int16) - background > clip["grow_threshold"]
            moved = moved.astype(np.uint8) * 255 & ~hsv_mask(hsv, clip["grow_exclude"])
            moved = cv2.morphologyEx(moved, cv2.MORPH_OPEN, opening)
            sure = grown(sure, moved, size, with_sure=False)
        seen = bounding_box(sure)
        x, y, w, h = seen
        new_centre = np.array([x + w / 2.0, y + h / 2.0])
        velocity = new_centre - centre if misses == 0 and number > clip.get("first", 1) else np.zeros(2)
        centre = new_centre
        misses = 0
        if x > 0 and y > 0 and x + w < width and y + h < height:
            sizes.append(max(w, h))
            rows[number] = seen
            if 0.85 <= w / h <= 1.18:
                clean.add(number)
        else:
            box = whole_object(seen, int(round(size)), width, height)
            if box is not None:
                rows[number] = box
                cut.add(number)
    if clip.get("round"):
        rows = made_round(rows, {n: b for n, b in sure_boxes.items() if n not in cut}, clean)
    for number in clip.get("hidden", []):
        before = max((n for n in rows if n < number and n not in clip["hidden"]), default=None)
        after = min((n for n in rows if n > number and n not in clip["hidden"]), default=None)
        if before is None or after is None:
            rows.pop(number, None)
            continue
        t = (number - before) / float(after - before)
        rows[number] = tuple(int(round((1 - t) * a + t * b)) for a, b in zip(rows[before], rows[after]))
    for number, box in clip.get("corrections", {}).items():
        if box is None:
            rows.pop(number, None)
        else:
            rows[number] = box
    return rows


def made_round(rows, sure_boxes, clean):
    """Every box with sure pixels (not one cut by the frame's border) whose
    shape or size is not that of the object nearby (the median side of the
    round boxes within 8 frames) becomes a square of that size around the
    sure pixels' box."""
    result = dict(rows)
    for number, (x, y, w, h) in rows.items():
        near = [max(rows[n][2:]) for n in range(number - 8, number + 9) if n in clean and n != number]
        if not near or number not in sure_boxes:
            continue
        side = float(np.median(near))
        if number in clean and 0.85 * side <= max(w, h) <= 1.18 * side:
            continue
        sx, sy, sw, sh = sure_boxes[number]
        cx, cy = sx + sw / 2.0, sy + sh / 2.0
        side = int(round(side))
        result[number] = (int(round(cx - side / 2.0)), int(round(cy - side / 2.0)), side, side)
    return result


def write_rows(path, rows):
    with open(path, "w") as out:
        for number in sorted(rows):
            x, y, w, h = rows[number]
            out.write(f"{number},1,{x},{y},{w},{h},1,-1,-1,-1\n")


def label(image, text):
    cv2.putText(image, text, (3, 14), cv2.FONT_HERSHEY_SIMPLEX, 0.45, (0, 0, 0), 3)
    cv2.putText(image, text, (3, 14), cv2.FONT_HERSHEY_SIMPLEX, 0.45, (0, 255, 255), 1)


def grid(tiles, columns):
    rows = (len(tiles) + columns - 1) // columns
    tiles = tiles + [np.zeros_like(tiles[0])] * (rows * columns - len(tiles))
    return np.vstack([np.hstack(tiles[r * columns:(r + 1) * columns]) for r in range(rows)])


def contact_sheets(frames, rows, every, stem):
    """A zoomed crop around every every-th frame's box, and the whole frames
    at a quarter of that rate, each with the box drawn."""
    height, width = frames[0].shape[:2]
    tile = 128
    crops, wholes = [], []
    last = None
    for number in range(1, len(frames) + 1, every):
        frame = frames[number - 1]
        box = rows.get(number)
        if box is not None:
            last = box
        x, y, w, h = box if box is not None else (last or (width // 2, height // 2, 1, 1))
        side = max(48, 3 * max(w, h))
        cx, cy = x + w / 2.0, y + h / 2.0
        x0 = int(min(max(cx - side / 2, 0), max(width - side, 0)))
        y0 = int(min(max(cy - side / 2, 0), max(height - side, 0)))
        crop = frame[y0:y0 + side, x0:x0 + side]
        zoom = tile / float(side)
        crop = cv2.resize(crop, (int(crop.shape[1] * zoom), int(crop.shape[0] * zoom)), interpolation=cv2.INTER_NEAREST)
        crop = cv2.copyMakeBorder(crop, 0, tile - crop.shape[0], 0, tile - crop.shape[1], cv2.BORDER_CONSTANT)
        if box is not None:
            p0 = (int(round((x - x0) * zoom)), int(round((y - y0) * zoom)))
            p1 = (int(round((x + w - x0) * zoom)) - 1, int(round((y + h - y0) * zoom)) - 1)
            cv2.rectangle(crop, p0, p1, (0, 255, 0), 1)
        label(crop, f"{number}" if box is not None else f"{number} none")
        crops.append(crop)
        if (number - 1) % (4 * every) == 0:
            whole = frame.copy()
            if box is not None:
                cv2.rectangle(whole, (x, y), (x + w - 1, y + h - 1), (0, 255, 0), 2)
            scale = 240.0 / width
            whole = cv2.resize(whole, (240, int(round(height * scale))), interpolation=cv2.INTER_AREA)
            label(whole, f"{number}" if box is not None else f"{number} none")
            wholes.append(whole)
    cv2.imwrite(stem + "-sheet.png", grid(crops, 12))
    cv2.imwrite(stem + "-overview.png", grid(wholes, 6))


def main():
    parser = argparse.ArgumentParser(description="Ground truth of the real clips (MOTChallenge files).")
    parser.add_argument("clip_dir", nargs="?", default=os.path.join(ROOT, "build", "real-clips"))
    parser.add_argument("--out", default=HERE, help="folder of the NAME.gt.txt files (default: this script's)")
    parser.add_argument("--sheets", help="folder for contact sheets to check the boxes by eye")
    parser.add_argument("--every", type=int, default=3, help="a sheet shows every N-th frame (default 3)")
    parser.add_argument("--clip", action="append", choices=sorted(CLIPS), help="only this clip (repeatable)")
    args = parser.parse_args()
    for name in args.clip or sorted(CLIPS):
        clip = CLIPS[name]
        frames, _ = read_frames(os.path.join(args.clip_dir, clip["file"]))
        rows = ground_truth(frames, clip)
        first = clip.get("first", 1)
        if first not in rows:
            sys.exit(f"make_ground_truth.py: {name}: no box on frame {first}, where the targets are taken from")
        os.makedirs(args.out, exist_ok=True)
        write_rows(os.path.join(args.out, name + ".gt.txt"), rows)
        sizes = np.array([rows[n][2:] for n in rows])
        print(f"{name}: {frames[0].shape[1]}x{frames[0].shape[0]}, {len(frames)} frames, "
              f"{len(rows)} with a box, box width {sizes[:, 0].min()}-{sizes[:, 0].max()} "
              f"(median {int(np.median(sizes[:, 0]))}), height {sizes[:, 1].min()}-{sizes[:, 1].max()} "
              f"(median {int(np.median(sizes[:, 1]))})")
        if args.sheets:
            os.makedirs(args.sheets, exist_ok=True)
            contact_sheets(frames, rows, args.every, os.path.join(args.sheets, name))


if __name__ == "__main__":
    main()
