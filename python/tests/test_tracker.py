"""The Tracker's frames, boxes and results: what it takes, what it refuses
and in which words, and what it gives back."""

import pickle
import subprocess

import numpy as np
import pytest

import tavo
from conftest import BINARY_DIR, SQUARE_BOXES, command_error, squares_frame


def run(frames, **kwargs):
    t = tavo.Tracker(frames[0], SQUARE_BOXES, seed=4, **kwargs)
    return [t.tracks] + [t.update(f) for f in frames[1:]]


def test_views_track_as_their_copies():
    frames = [squares_frame(shift=s) for s in range(0, 12, 2)]
    expected = run(frames)
    # A window of a larger array (a row stride beyond the width), and the
    # channels as the last axis of a planar array (a channel stride not 1).
    big = np.zeros((300, 400, 3), np.uint8)
    windows = []
    for f in frames:
        windows.append(big.copy())
        windows[-1][50:170, 70:230] = f
    windows = [w[50:170, 70:230] for w in windows]
    planar = [np.moveaxis(np.ascontiguousarray(np.moveaxis(f, 2, 0)), 0, 2) for f in frames]
    assert not windows[0].flags.c_contiguous and not planar[0].flags.c_contiguous
    assert run(windows) == expected
    assert run(planar) == expected
    # Mirrored: a negative column stride.
    mirrored = [f[:, ::-1] for f in frames]
    assert run(mirrored) == run([np.ascontiguousarray(f) for f in mirrored])


def test_frames_refused_and_the_tracker_unchanged():
    t = tavo.Tracker(squares_frame(), SQUARE_BOXES, seed=1)
    before = t.tracks
    cases = [
        (ValueError, squares_frame()[:, :, 0], r"not an 8-bit image of three channels \(BGR\).*shape is \(120, 160\)"),
        (ValueError, np.zeros((120, 160, 4), np.uint8), r"shape is \(120, 160, 4\)"),
        (TypeError, squares_frame().astype(np.float32), "dtype is float32"),
        (TypeError, squares_frame().tolist(), "not an 8-bit image.*but a list"),
        (ValueError, squares_frame(width=161), r"the frame is 161x120, unlike the first frame \(160x120\)"),
    ]
    for error, frame, message in cases:
        with pytest.raises(error, match=message):
            t.update(frame)
        with pytest.raises(error):
            t.draw(frame)
    assert t.frame_number == 1 and t.tracks == before
    with pytest.raises(ValueError, match="not an 8-bit image"):
        tavo.Tracker(squares_frame()[:, :, 0], SQUARE_BOXES)
    with pytest.raises(ValueError, match="empty"):
        tavo.Tracker(np.zeros((0, 10, 3), np.uint8), SQUARE_BOXES)


def test_boxes_refused_with_the_commands_words():
    frame = squares_frame()
    # The session's words, as tavo-track prints them.
    with pytest.raises(ValueError, match=r"target 2 \(box 400,10,20,20\) lies wholly outside the first frame "
                                         r"\(160x120\)"):
        tavo.Tracker(frame, [(20, 20, 20, 20), (400, 10, 20, 20)])
    for box in [(1, 2, 0, 5), (1, 2, 3, -4)]:
        with pytest.raises(ValueError, match="width and height must be positive"):
            tavo.Tracker(frame, [box])
    assert command_error("--box", "1,2,0,5").endswith("width and height must be positive")
    with pytest.raises(ValueError, match="beyond 16777216 pixels"):
        tavo.Tracker(frame, [(2**24, 0, 5, 5)])
    for boxes in [[(1, 2, 3)], [(1.5, 2, 3, 4)], "1,2,3,4", [None], 5]:
        with pytest.raises(TypeError):
            tavo.Tracker(frame, boxes)
    with pytest.raises(ValueError, match="no targets to track"):
        tavo.Tracker(frame, [])
    with pytest.raises(ValueError, match="1 ids for 2 boxes"):
        tavo.Tracker(frame, SQUARE_BOXES, ids=[3])
    with pytest.raises(ValueError, match="target id 4 is given twice"):
        tavo.Tracker(frame, SQUARE_BOXES, ids=[4, 4])


def test_tracks_their_array_and_ids():
    frames = [squares_frame(shift=s) for s in range(0, 8, 2)]
    t = tavo.Tracker(frames[0], np.array(SQUARE_BOXES), ids=[7, 0], seed=2, scale_noise=0.05, lost_and_found=True)
    for f in frames[1:]:
        tracks = t.update(f)
    assert [tr.id for tr in tracks] == [7, 8], "0: numbered after the highest id given"
    array = t.tracks_array()
    assert array.dtype == np.float64 and array.shape == (2, len(tavo.TRACK_COLUMNS))
    for row, tr, box in zip(array, tracks, SQUARE_BOXES):
        state = ["tracked", "hidden", "lost"].index(tr.state)
        expected = [tr.id, tr.x, tr.y, tr.w, tr.h, tr.confidence, tr.lost, *tr.centre, *tr.velocity, *tr.scale, state]
        assert row.tolist() == [float(v) for v in expected]
        # The box is centred on the centre, its size the first box's scaled.
        assert tr.x + tr.w / 2 == pytest.approx(tr.centre[0]) and tr.w == pytest.approx(box[2] * tr.scale[0])
        assert 0 <= tr.confidence <= 1
    # The squares moved right by 2 pixels a frame.
    assert all(tr.centre[0] > box[0] + box[2] / 2 + 3 and tr.velocity[0] > 0 for tr, box in zip(tracks, SQUARE_BOXES))
    assert pickle.loads(pickle.dumps(tracks)) == tracks
    assert repr(tracks[0]).startswith("Track(id=7, x=")
    t2 = tavo.Tracker(frames[0], SQUARE_BOXES, ids=[7, 0], seed=2, scale_noise=0.05, lost_and_found=True)
    assert [t2.update_array(f) for f in frames[1:]][-1].tolist() == array.tolist()


def test_the_arrays_last_column_is_the_state():
    t = tavo.Tracker(squares_frame(), SQUARE_BOXES, seed=1, robust=True)
    assert tavo.TRACK_COLUMNS[-1] == "state"
    assert t.update_array(squares_frame(shift=4))[:, -1].tolist() == [0.0, 0.0]
    # Both squares leave the frame on the right: both lost.
    for s in range(8, 400, 4):
        tracks = t.update(squares_frame(shift=s))
    assert [tr.state for tr in tracks] == ["lost", "lost"]
    assert t.tracks_array()[:, -1].tolist() == [2.0, 2.0]


def test_draw_styles():
    frames = [squares_frame(shift=s) for s in range(0, 8, 2)]
    t = tavo.Tracker(frames[0], SQUARE_BOXES, seed=1)
    for f in frames[1:]:
        t.update(f)
    target_1 = np.array([180, 119, 31], np.uint8)  # its colour in tavo-track's boxes drawing and --plot
    in_colour = {style: (t.draw(style=style) == target_1).all(axis=2).sum() for style in ("design", "boxes")}
    assert in_colour["boxes"] > 50 + in_colour["design"]
    assert (t.draw() == t.draw(style="design")).all()
    with pytest.raises(ValueError, match="style 'box': expected boxes, samples or design"):
        t.draw(style="box")


def test_draw_marks_a_copy():
    frame = squares_frame()
    t = tavo.Tracker(frame, SQUARE_BOXES, seed=1)
    drawn = t.draw()
    assert drawn.shape == frame.shape and drawn.dtype == np.uint8
    assert (drawn != frame).any(axis=2).sum() > 100
    assert (t.draw() == drawn).all(), "drawing changes nothing in the tracker"
    blank = np.zeros_like(frame)
    on_blank = t.draw(blank)
    assert not blank.any(), "the frame given is not drawn into"
    changed = drawn != frame  # outlines set one channel's bytes
    assert (on_blank[changed] == drawn[changed]).all()


def test_videos_refused_with_the_commands_words(tmp_path):
    maker = BINARY_DIR / "tests" / "e2e" / "make-test-video"
    for kind in ["zero-byte", "text"]:
        subprocess.run([str(maker), kind, str(tmp_path / f"{kind}.avi")], check=True)
    for name, error in [("zero-byte.avi", OSError), ("text.avi", OSError), ("missing.avi", FileNotFoundError)]:
        path = tmp_path / name
        with pytest.raises(error) as raised:
            tavo.track_video(path, [(0, 0, 8, 8)])
        assert str(raised.value) == command_error(path, "--box", "0,0,8,8")
    with pytest.raises(ValueError, match="frames=0: expected a positive integer"):
        tavo.track_video(path, [(0, 0, 8, 8)], frames=0)
