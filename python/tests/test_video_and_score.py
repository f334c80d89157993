"""track_video and score as Python's own functions take their arguments:
paths as str, bytes or os.PathLike, names that are not UTF-8 included;
the command's warning for a video that ends early and its error for a frame
that cannot be used; frame numbers refused in the command's words."""

import os
import shutil
import subprocess
import warnings

import cv2
import pytest

import tavo
from conftest import DEMO_BOXES, DEMO_TRUTH, TAVO_TRACK, command_error, squares_frame


class FileName(os.PathLike):
    """A path-like object that is neither str nor pathlib."""

    def __init__(self, path):
        self.path = path

    def __fspath__(self):
        return self.path


def tracked(path, frames=3):
    return [[t.x for t in tracks] for _, tracks in tavo.track_video(path, DEMO_BOXES[:2], seed=1, frames=frames)]


def test_paths_are_taken_as_python_takes_them(tmp_path, demo_video):
    expected = tracked(str(demo_video))
    # A name that is not UTF-8: os.fsencode's bytes, os.fsdecode's str.
    odd = os.fsencode(tmp_path) + b"/v\xff\xe9.avi"
    shutil.copyfile(demo_video, odd)
    for path in [os.fsencode(demo_video), FileName(os.fsencode(demo_video)), FileName(str(demo_video)), odd,
                 os.fsdecode(odd), FileName(odd)]:
        assert tracked(path) == expected, path

    run = list(tavo.track_video(demo_video, DEMO_BOXES, seed=1, frames=5))
    report = tavo.score(run, DEMO_TRUTH)
    odd_truth = os.fsencode(tmp_path) + b"/gt\xff.txt"
    shutil.copyfile(DEMO_TRUTH, odd_truth)
    for path in [os.fsencode(DEMO_TRUTH), FileName(os.fsencode(DEMO_TRUTH))]:
        assert tavo.score(run, path) == report
    odd_report = tavo.score(run, odd_truth)
    assert odd_report["text"] == report["text"].replace(str(DEMO_TRUTH), os.fsdecode(odd_truth))
    assert tavo.score(run, os.fsdecode(odd_truth)) == odd_report


def test_paths_refused_in_python_and_the_commands_words(tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    with pytest.raises(FileNotFoundError) as raised:
        tavo.track_video(b"fast.avi", [(0, 0, 8, 8)])
    assert str(raised.value) == command_error("fast.avi", "--box", "0,0,8,8") == \
        "cannot open the video 'fast.avi': no such file"
    # The name as the command prints its bytes, read as os.fsdecode reads it.
    done = subprocess.run([TAVO_TRACK, b"m\xff.avi", "--box", "0,0,8,8"], capture_output=True)
    expected = os.fsdecode(done.stderr.splitlines()[0]).removeprefix("tavo-track: ")
    for path in [b"m\xff.avi", os.fsdecode(b"m\xff.avi"), FileName(b"m\xff.avi")]:
        with pytest.raises(FileNotFoundError) as raised:
            tavo.track_video(path, [(0, 0, 8, 8)])
        assert str(raised.value) == expected
    with pytest.raises(FileNotFoundError, match="cannot read the ground-truth file 'g.txt'"):
        tavo.score([], b"g.txt")
    with open(b"g\xff.txt", "w") as bad:
        bad.write("1,2\n")
    with pytest.raises(ValueError) as raised:
        tavo.score([], b"g\xff.txt")
    assert str(raised.value) == os.fsdecode(b"g\xff.txt") + ":1: expected at least six columns frame,id,x,y,w,h"
    # What open() refuses is refused as open() refuses it.
    for path in [3, None, ["a.avi"]]:
        with pytest.raises(TypeError, match="expected str, bytes or os.PathLike object"):
            tavo.track_video(path, [(0, 0, 8, 8)])
        with pytest.raises(TypeError, match="expected str, bytes or os.PathLike object"):
            tavo.score([], path)
    shutil.copyfile(DEMO_TRUTH, "g")
    for path in ["g\0.txt", b"g\0.txt"]:
        with pytest.raises(ValueError, match="embedded null byte"):
            tavo.track_video(path, [(0, 0, 8, 8)])
        with pytest.raises(ValueError, match="embedded null byte"):
            tavo.score([], path)


def test_a_video_that_ends_early_is_warned_about(tmp_path, demo_video):
    cut = tmp_path / "cut.avi"
    data = demo_video.read_bytes()
    cut.write_bytes(data[:len(data) // 2])
    done = subprocess.run([TAVO_TRACK, cut, "--box", "136,261,18,18", "--samples", "50", "-q", "--seed", "1"],
                          capture_output=True, text=True, check=True)
    expected = done.stderr.removeprefix("tavo-track: warning: ").rstrip("\n")
    assert "ends early" in expected
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        frames = list(tavo.track_video(cut, [(136, 261, 18, 18)], samples=50, seed=1))
    assert [str(w.message) for w in caught] == [expected]
    assert caught[0].category is UserWarning
    assert f"the results cover frames 1 to {len(frames)}" in expected

    # A whole video, and one cut short by frames=, end without a word.
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        assert len(list(tavo.track_video(demo_video, [(136, 261, 18, 18)], samples=50, seed=1, frames=4))) == 4
        # A warning made an error ends the iteration with it.
        with pytest.raises(UserWarning, match="ends early"):
            list(tavo.track_video(cut, [(136, 261, 18, 18)], samples=50, seed=1))


def test_frame_numbers_refused_in_the_commands_words():
    tracks = [(1, [])]
    for given, message in [([(-1, [])], "frame -1: expected a positive integer"),
                           ({0: []}, "frame 0: expected a positive integer"),
                           ([(2**31, [])], "frame 2147483648: at most 2147483647"),
                           ({2**64: []}, "frame 18446744073709551616: at most 2147483647")]:
        with pytest.raises(ValueError) as raised:
            tavo.score(given, DEMO_TRUTH)
        assert str(raised.value) == message
    assert command_error("--start", "-1") == "--start '-1': expected a positive integer"
    with pytest.raises(TypeError, match="frame numbers are integers, not str"):
        tavo.score({"1": []}, DEMO_TRUTH)
    with pytest.raises(TypeError, match="frame numbers are integers, not bool"):
        tavo.score({True: []}, DEMO_TRUTH)
    assert tavo.score(tracks, DEMO_TRUTH)["first_frame"] == 1


def test_a_frame_that_cannot_be_used_is_an_error(tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    os.mkdir("seq")
    for n in range(1, 6):
        cv2.imwrite(f"seq/{n:06d}.png", squares_frame(shift=n))
    with open("seq/000003.png", "wb") as broken:
        broken.write(b"not a picture")
    tracked = []
    with pytest.raises(ValueError) as raised:
        for n, _ in tavo.track_video("seq", [(20, 20, 20, 20)], samples=50, seed=1):
            tracked.append(n)
    assert tracked == [1, 2]
    assert str(raised.value) == command_error("seq", "--box", "20,20,20,20", "-q", "--samples", "50") == \
        "cannot use frame 3 of 'seq': cannot read the image 'seq/000003.png': stopped after frame 2"
