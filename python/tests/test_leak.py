"""A thousand trackers, made, used and dropped, and as many refused, leave
the memory as they found it."""

import os

import pytest

import tavo
from conftest import SQUARE_BOXES, squares_frame


def resident_bytes():
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * os.sysconf("SC_PAGE_SIZE")


def test_a_thousand_trackers_do_not_leak():
    frame = squares_frame()
    moved = squares_frame(shift=2)

    def churn(count):
        for seed in range(count):
            t = tavo.Tracker(frame, SQUARE_BOXES, seed=seed, samples=50, iterations=20, robust=seed % 2 == 1)
            t.update(moved)
            t.draw()
            t.tracks_array()
            with pytest.raises(ValueError):
                tavo.Tracker(frame, [(500, 0, 10, 10)], samples=50)
            with pytest.raises(ValueError):
                t.update(frame[:, :10])

    churn(100)  # the allocator's and the interpreter's own growth first
    before = resident_bytes()
    churn(1000)
    grown = resident_bytes() - before
    # A tracker of this size holds megabytes (its random pools): one in a
    # hundred kept would show.
    assert grown < 16 * 2**20, f"{grown} bytes more after 1000 trackers"
