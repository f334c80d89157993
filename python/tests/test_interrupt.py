"""Ctrl-C in Python: a KeyboardInterrupt ends a long frame within a fraction
of a second, in the constructor as in update(); the interrupted frame is
not kept and the tracker cannot go on.  A handler of the program's own
leaves frames whole.

A child Python tracks frames of the most joint-move iterations there may
be (seconds each); it says which frame it enters, and the signal comes once
it has spent some of its CPU time there, however busy the machine."""

import os
import queue
import signal
import subprocess
import sys
import threading
import time

from conftest import SOURCE_DIR

CHILD = r"""
import signal, sys, time
import tavo
from conftest import SQUARE_BOXES, squares_frame

def say(text):
    print(text, flush=True)

def long_frames():
    return tavo.Tracker(squares_frame(), SQUARE_BOXES, seed=1, iterations=100_000_000, threads=1)

start = time.process_time()
tracker = long_frames()
whole = time.process_time() - start
say("frame 2")
try:
    tracker.update(squares_frame(shift=1))
    say("tracked")
except KeyboardInterrupt:
    say(f"interrupted, frames tracked: {tracker.frame_number}")
try:
    tracker.update(squares_frame(shift=1))
except RuntimeError as error:
    say(f"refused: {error}")
try:
    tracker.draw()
except RuntimeError as error:
    say(f"not drawn: {error}")

say("frame 1")
start = time.process_time()
try:
    long_frames()
    say("tracked")
except KeyboardInterrupt:
    say(f"interrupted within the frame: {time.process_time() - start < whole / 2}")

noted = []
signal.signal(signal.SIGINT, lambda number, frame: noted.append(number))
tracker = long_frames()
say("frame 2")
tracker.update(squares_frame(shift=1))
say(f"tracked {tracker.frame_number}, noted {noted}")
"""

# The CPU time the child spends in a frame before the signal: well inside a
# frame of several seconds.
CPU_INSIDE = 0.3
TIMEOUT = 240  # seconds, for a frame or two on a loaded machine


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


class Child:
    """The child Python, its lines read as they come."""

    def __init__(self, env):
        self.process = subprocess.Popen([sys.executable, "-c", CHILD], stdout=subprocess.PIPE, text=True, env=env)
        self.lines = queue.Queue()
        threading.Thread(target=self.read, daemon=True).start()

    def read(self):
        for line in self.process.stdout:
            self.lines.put(line.rstrip("\n"))

    def next_line(self):
        try:
            return self.lines.get(timeout=TIMEOUT)
        except queue.Empty:
            raise AssertionError("no line from the child in time") from None


def interrupt_inside(child, expected_line):
    assert child.next_line() == expected_line
    process = child.process
    entered = cpu_seconds(process.pid)
    deadline = time.monotonic() + TIMEOUT
    while cpu_seconds(process.pid) < entered + CPU_INSIDE:
        assert time.monotonic() < deadline and process.poll() is None
        time.sleep(0.01)  # a poll of the child's progress, not a wait for it
    process.send_signal(signal.SIGINT)


def test_ctrl_c_ends_a_long_frame():
    env = dict(os.environ, PYTHONPATH=os.pathsep.join([os.environ.get("PYTHONPATH", ""),
                                                       str(SOURCE_DIR / "python" / "tests")]))
    child = Child(env)
    try:
        interrupt_inside(child, "frame 2")
        assert child.next_line() == "interrupted, frames tracked: 1"
        ended = "the tracker was interrupted during frame 2 and cannot go on; its tracks are those of frame 1"
        assert child.next_line() == "refused: " + ended
        assert child.next_line() == "not drawn: " + ended
        interrupt_inside(child, "frame 1")
        assert child.next_line() == "interrupted within the frame: True"
        interrupt_inside(child, "frame 2")
        assert child.next_line() == f"tracked 2, noted [{int(signal.SIGINT)}]"
        assert child.process.wait(TIMEOUT) == 0
    finally:
        child.process.kill()
        child.process.wait()
