"""Ground truth that is no text, or has no end, is refused by tavo.score as
tavo-track --gt refuses it, in the same words, and at once."""

import os
import resource
import subprocess
import sys

import pytest

import tavo
from conftest import command_error

NO_TRACKS = {1: []}

# Room for the module and OpenCV, far less than an endless read takes.
ADDRESS_SPACE = 3 << 30


def test_a_nul_byte_is_refused_even_in_an_ignored_column(tmp_path, demo_video):
    truth = tmp_path / "nul.txt"
    truth.write_bytes(b"1,1,10,10,18,18\n1,2,10,10,18,18,1,-1,\0\n")
    reason = "not a text file (a NUL byte on line 2)"
    with pytest.raises(ValueError) as raised:
        tavo.score(NO_TRACKS, truth)
    assert str(raised.value) == f"{truth}: {reason}"
    assert command_error(demo_video, "--demo-targets", "--gt", truth) == f"--gt '{truth}': {reason}"


def test_an_endless_device_is_refused_at_once(demo_video):
    # In a process of its own with its memory bounded: an unbounded read
    # fails there instead of filling the machine.
    code = ("import tavo\n"
            "try:\n"
            "    tavo.score({1: []}, '/dev/zero')\n"
            "except ValueError as e:\n"
            "    print(e)\n")
    done = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, timeout=240,
                          preexec_fn=lambda: resource.setrlimit(resource.RLIMIT_AS, (ADDRESS_SPACE, ADDRESS_SPACE)))
    reason = "not a text file (a NUL byte on line 1)"
    assert (done.returncode, done.stdout) == (0, f"/dev/zero: {reason}\n"), done.stderr
    assert command_error(demo_video, "--demo-targets", "--gt", "/dev/zero") == f"--gt '/dev/zero': {reason}"


def test_a_fifo_is_refused_without_waiting_for_a_writer(tmp_path, demo_video):
    fifo = tmp_path / "truth.fifo"
    os.mkfifo(fifo)
    # In a process of its own: a read that waits for a writer would hang
    # the test instead of failing it.
    code = ("import sys, tavo\n"
            "try:\n"
            "    tavo.score({1: []}, sys.argv[1])\n"
            "except ValueError as e:\n"
            "    print(e)\n")
    done = subprocess.run([sys.executable, "-c", code, str(fifo)], capture_output=True, text=True, timeout=240)
    reason = ("a FIFO (named pipe), not a ground-truth file: a read could wait for ever for a writer; "
              "give a regular file")
    assert (done.returncode, done.stdout) == (0, f"{fifo}: {reason}\n"), done.stderr
    assert command_error(demo_video, "--demo-targets", "--gt", fifo) == f"--gt '{fifo}': {reason}"
