"""Changing a Tracker's targets between frames: add, remove, reinit, each
target's state, and the refusals in tavo-track's words."""

import pickle

import cv2
import pytest

import tavo
from conftest import DEMO_BOXES, SQUARE_BOXES, mot_lines, run_tavo_track, squares_frame


def test_add_on_a_later_frame_is_a_targets_file_row_of_that_frame(tmp_path, demo_video):
    join_frame = 6
    rows = [f"1,{i + 1},{x},{y},{w},{h},1,-1,-1,-1" for i, (x, y, w, h) in enumerate(DEMO_BOXES[:2])]
    x, y, w, h = DEMO_BOXES[2]
    rows.append(f"{join_frame},3,{x},{y},{w},{h},1,-1,-1,-1")
    targets = tmp_path / "targets.txt"
    targets.write_text("\n".join(rows) + "\n")
    for robust in (False, True):
        extra = ["--robust"] if robust else []
        expected, _ = run_tavo_track(tmp_path, demo_video, "--seed", 5, "--frames", 30, "-q", "--targets", targets,
                                     *extra)
        video = cv2.VideoCapture(str(demo_video))
        ok, frame = video.read()
        tracker = tavo.Tracker(frame, DEMO_BOXES[:2], seed=5, robust=robust)
        lines = mot_lines(1, tracker.tracks, with_confidence=robust)
        for n in range(2, 31):
            ok, frame = video.read()
            assert ok
            tracks = tracker.update(frame)
            if n == join_frame:
                assert tracker.add(DEMO_BOXES[2]) == 3
                tracks = tracker.tracks
            lines += mot_lines(n, tracks, with_confidence=robust)
        assert lines == expected, f"robust={robust}"


def test_remove_add_and_reinit_keep_ids_per_tracker():
    frames = [squares_frame(shift=s) for s in range(0, 16, 2)]
    a = tavo.Tracker(frames[0], SQUARE_BOXES, seed=3, robust=True)
    b = tavo.Tracker(frames[0], SQUARE_BOXES, seed=3, robust=True)
    for f in frames[1:3]:
        a.update(f)
        b.update(f)
    # Ids belong to one tracker: both number their third target 3.
    assert a.add((60, 20, 20, 20)) == 3 and b.add((60, 20, 20, 20)) == 3
    a.remove(1)
    assert [t.id for t in a.tracks] == [2, 3]
    # frames[2] has the green square at x 24.
    assert a.add((24, 20, 20, 20), id=1) == 1, "a removed id may be given again"
    assert [t.id for t in a.tracks] == [2, 3, 1]
    a.reinit(2, (94, 70, 24, 24))
    reinit = [t for t in a.tracks if t.id == 2][0]
    assert (reinit.x, reinit.y, reinit.w, reinit.h) == (94, 70, 24, 24) and reinit.state == "tracked"
    for f in frames[3:]:
        tracks = a.update(f)
    assert [t.id for t in tracks] == [2, 3, 1]
    assert [t.state for t in tracks if t.id != 3] == ["tracked", "tracked"]
    # The blue square moved right 2 px a frame: target 2 is on it.
    assert tracks[0].centre[0] == pytest.approx(102 + 14, abs=4)
    assert pickle.loads(pickle.dumps(tracks)) == tracks
    assert "state='tracked'" in repr(tracks[0])


def test_refusals_name_the_id_the_box_and_the_reason():
    t = tavo.Tracker(squares_frame(), SQUARE_BOXES, seed=1)
    t.update(squares_frame(shift=2))
    before = t.tracks
    cases = [
        (ValueError, lambda: t.remove(9), r"no target has id 9 \(targets: 1, 2\)"),
        (ValueError, lambda: t.reinit(9, (0, 0, 8, 8)), r"no target has id 9"),
        (ValueError, lambda: t.add((500, 20, 20, 20)), r"target 3 \(box 500,20,20,20\) lies wholly outside frame 2 "
                                                      r"\(160x120\)"),
        (ValueError, lambda: t.reinit(1, (20, 20, 0, 20)), r"box \(20, 20, 0, 20\): width and height must be positive"),
        (ValueError, lambda: t.add((20, 20, 20, 20), id=2), "target id 2 is given twice"),
        (ValueError, lambda: t.add((20, 20, 20, 20), id=-4), "target id -4 is negative"),
        (TypeError, lambda: t.add((20, 20, 20)), r"box \(20, 20, 20\): expected four integers"),
        (TypeError, lambda: t.remove("1"), "a target id is an integer, not str"),
    ]
    for error, call, message in cases:
        with pytest.raises(error, match=message):
            call()
    assert t.tracks == before
    for i in range(8):
        t.add((4 + 16 * i, 100, 12, 12))
    with pytest.raises(RuntimeError, match="the sample store holds at most 10 targets"):
        t.add((4, 2, 12, 12))
