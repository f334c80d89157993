"""The module gives tavo-track's numbers: the same MOT lines, bit for bit at
two decimals, for the same seed and settings, and the same --gt report."""

import cv2
import pytest

import tavo
from conftest import DEMO_BOXES, DEMO_TRUTH, mot_lines, run_tavo_track


@pytest.mark.parametrize("robust", [False, True], ids=["default", "robust"])
def test_track_video_writes_what_tavo_track_writes(tmp_path, demo_video, robust):
    expected, _ = run_tavo_track(tmp_path, demo_video, "--seed", 7, "-q", *(["--robust"] if robust else []))
    lines = []
    for frame_number, tracks in tavo.track_video(demo_video, DEMO_BOXES, seed=7, robust=robust):
        lines += mot_lines(frame_number, tracks, with_confidence=robust)
    assert len(lines) == 500 * 9
    assert lines == expected


def test_track_video_starts_where_tavo_track_starts(tmp_path, demo_video):
    # Boxes are on frame `start`, and frames keep the video's numbers.
    boxes = ["--box", "136,261,18,18", "--box", "216,231,18,18"]
    expected, _ = run_tavo_track(tmp_path, demo_video, "--start", 5, "--frames", 20, "--seed", 2, "-q", "--robust",
                                 *boxes)
    lines = []
    for frame_number, tracks in tavo.track_video(demo_video, DEMO_BOXES[:2], seed=2, robust=True, start=5, frames=20):
        lines += mot_lines(frame_number, tracks, with_confidence=True)
    assert lines[0].startswith("5,") and lines[-1].startswith("24,")
    assert lines == expected
    for wrong, error in ((0, ValueError), (1.5, TypeError)):
        with pytest.raises(error, match="start"):
            tavo.track_video(demo_video, DEMO_BOXES[:2], start=wrong)


def test_settings_by_name_are_the_options(tmp_path, demo_video):
    # Settings of every kind over the preset.
    expected, _ = run_tavo_track(tmp_path, demo_video, "--seed", 3, "--frames", 60, "-q", "--robust",
                                 "--hsv-bins", "8,6,12", "--kernel", "--min-value", 40, "--scale-range", "0.8,1.5",
                                 "--noise", "0.25", "--threads", 2, "--box", "136,261,18,18", "--box", "216,231,18,18",
                                 "--box", "259,157,18,18")
    given = dict(hsv_bins=(8, 6, 12), kernel=True, min_value=40, scale_range=(0.8, 1.5), noise=0.25, threads=2)
    run = tavo.track_video(demo_video, DEMO_BOXES[:3], seed=3, robust=True, frames=60, **given)
    lines = [line for n, tracks in run for line in mot_lines(n, tracks, with_confidence=True)]
    assert lines == expected

    # Preset flags switched off, which tavo-track cannot do after --robust:
    # its reference is a run given every resolved setting as an option.
    given.update(kernel=False, adaptive_noise=False)
    off = tavo.track_video(demo_video, DEMO_BOXES[:3], seed=3, robust=True, frames=60, **given)
    assert off.tracker.settings["kernel"] is False
    options = []
    for name, value in off.tracker.settings.items():
        if value is True:
            options.append("--" + name.replace("_", "-"))
        elif value is not False:
            text = ",".join(map(str, value)) if isinstance(value, tuple) else str(value)
            options += ["--" + name.replace("_", "-"), text]
    expected_off, _ = run_tavo_track(tmp_path, demo_video, "--seed", 3, "--frames", 60, "-q", *options,
                                     "--box", "136,261,18,18", "--box", "216,231,18,18", "--box", "259,157,18,18")
    assert [line for n, tracks in off for line in mot_lines(n, tracks, with_confidence=True)] == expected_off
    assert expected_off != expected


def test_tracker_over_cv2_frames_gives_the_same_tracks(tmp_path, demo_video):
    expected, _ = run_tavo_track(tmp_path, demo_video, "--seed", 1, "--frames", 80, "-q", "--robust")
    video = cv2.VideoCapture(str(demo_video))
    ok, first = video.read()
    assert ok
    tracker = tavo.Tracker(first, DEMO_BOXES, seed=1, robust=True)
    assert tracker.frame_number == 1
    out = [tracker.tracks]
    for _ in range(79):
        ok, frame = video.read()
        assert ok
        out.append(tracker.update(frame))
    assert tracker.frame_number == 80
    lines = [line for n, tracks in enumerate(out, 1) for line in mot_lines(n, tracks, with_confidence=True)]
    assert lines == expected


def test_score_is_the_gt_report(tmp_path, demo_video):
    _, printed = run_tavo_track(tmp_path, demo_video, "--seed", 1, "--frames", 40, "--gt", DEMO_TRUTH, "-q")
    run = list(tavo.track_video(demo_video, DEMO_BOXES, seed=1, frames=40))
    report = tavo.score(run, DEMO_TRUTH)
    assert report["text"] == printed
    assert (report["first_frame"], report["last_frame"]) == (1, 40)
    assert [t["id"] for t in report["targets"]] == list(range(1, 10))
    assert report["frames"] == sum(t["frames"] for t in report["targets"]) == 360
    assert report["objects"] == report["matches"] + report["misses"]
    assert f"MOTA {report['mota']:.3f}, MOTP {report['motp']:.3f}, ID switches {report['id_switches']}" in printed

    # The other forms of the same tracks score the same.
    as_dict = {n: tracks for n, tracks in run}
    as_list = [tracks for _, tracks in run]
    assert tavo.score(as_dict, DEMO_TRUTH) == report
    assert tavo.score(as_list, str(DEMO_TRUTH)) == report
    tracker = tavo.Tracker(cv2.VideoCapture(str(demo_video)).read()[1], DEMO_BOXES, seed=1)
    arrays = [(1, tracker.tracks_array())]
    assert tavo.score(arrays, DEMO_TRUTH)["text"] == tavo.score(run[:1], DEMO_TRUTH)["text"]
