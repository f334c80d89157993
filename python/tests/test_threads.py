"""Threads: the interpreter lock is let go while a frame is tracked, and
trackers and video runs in threads give what they give alone."""

import os
import threading
import time
from concurrent.futures import ThreadPoolExecutor

import tavo
from conftest import DEMO_BOXES, SQUARE_BOXES, squares_frame


def frame_of_at_least(seconds):
    """A tracker and a frame whose update takes at least `seconds` here:
    the joint move's iterations doubled until one frame is that slow."""
    iterations = 1_000_000
    while True:
        tracker = tavo.Tracker(squares_frame(), SQUARE_BOXES, seed=2, iterations=iterations)
        start = time.monotonic()
        tracker.update(squares_frame(shift=1))
        if time.monotonic() - start >= seconds:
            return tracker
        iterations *= 2


def test_python_runs_while_a_frame_is_tracked():
    tracker = frame_of_at_least(0.4)
    entering = threading.Event()
    times = {}

    def track():
        entering.set()
        times["start"] = time.monotonic()
        tracker.update(squares_frame(shift=2))
        times["end"] = time.monotonic()

    worker = threading.Thread(target=track)
    worker.start()
    entering.wait()
    time.sleep(0.05)
    # This line runs only with the interpreter lock: were it held through
    # update(), not before the worker's frame is done.
    ran = time.monotonic()
    worker.join()
    assert ran < times["end"]


def test_threads_track_as_alone(demo_video):
    frames = [squares_frame(shift=s) for s in range(0, 30, 2)]

    def run(seed):
        t = tavo.Tracker(frames[0], SQUARE_BOXES, seed=seed, robust=True)
        return [t.tracks] + [t.update(f) for f in frames[1:]]

    alone = [run(1), run(2)]
    with ThreadPoolExecutor(4) as pool:
        assert list(pool.map(run, [1, 2, 1, 2])) == alone * 2

    # Videos are decoded one at a time (the decoder's remarks are kept from
    # the standard error while it works), tracked side by side.
    def video(seed):
        return list(tavo.track_video(demo_video, DEMO_BOXES[:3], seed=seed, frames=60))

    stderr = os.readlink("/proc/self/fd/2")
    alone = [video(1), video(2)]
    with ThreadPoolExecutor(2) as pool:
        assert list(pool.map(video, [1, 2])) == alone
    assert os.readlink("/proc/self/fd/2") == stderr

    # One tracker updated from two threads at once takes the frames one at
    # a time.
    shared = tavo.Tracker(frames[0], SQUARE_BOXES, seed=1)
    with ThreadPoolExecutor(2) as pool:
        list(pool.map(shared.update, frames[1:] * 2))
    assert shared.frame_number == 2 * len(frames) - 1
