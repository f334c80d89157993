"""The examples of the README's "From Python", run as written in a folder
that holds what build/ holds."""

import re
import subprocess
import sys

import cv2

from conftest import BINARY_DIR, SOURCE_DIR, run_tavo_track


def readme_examples():
    """The section's indented code blocks that are Python."""
    text = (SOURCE_DIR / "README.md").read_text()
    section = text.split("\n## From Python\n", 1)[1].split("\n## ", 1)[0]
    blocks = re.findall(r"^    .*\n(?:^    .*\n|^\n)*", section, re.M)
    code = ["\n".join(line[4:] for line in block.strip("\n").split("\n")) + "\n" for block in blocks]
    def is_python(c):
        try:
            compile(c, "README.md", "exec")
            return True
        except SyntaxError:
            return False
    return [c for c in code if is_python(c)]


def run_example(code, folder, name):
    script = folder / name
    script.write_text(code)
    return subprocess.run([sys.executable, str(script)], cwd=folder, capture_output=True, text=True, check=True).stdout


def test_readme_examples(tmp_path):
    for name in ["TAVO_DEMO.avi", "TAVO_DEMO.gt.txt", "scenes"]:
        (tmp_path / name).symlink_to(BINARY_DIR / name)
    annotate, score, parallel = readme_examples()

    printed = run_example(annotate, tmp_path, "annotate.py").splitlines()
    expected, _ = run_tavo_track(tmp_path, tmp_path / "TAVO_DEMO.avi", "--box", "136,261,18,18", "--box", "216,231,18,18",
                                 "--robust", "--seed", 1, "-q")
    assert printed == [",".join(line.split(",")[:6]) for line in expected]
    written = cv2.VideoCapture(str(tmp_path / "annotated.avi"))
    assert written.get(cv2.CAP_PROP_FRAME_COUNT) == 500

    report = run_example("import tavo\n" + score, tmp_path, "score.py")
    assert report.startswith("score against TAVO_DEMO.gt.txt, frames 1 to 500\n") and "CLEAR-MOT" in report

    lines = run_example(parallel, tmp_path, "parallel.py").splitlines()
    videos = ["TAVO_DEMO.avi", "scenes/clutter.avi", "scenes/fast.avi"]
    lengths = [int(cv2.VideoCapture(str(tmp_path / v)).get(cv2.CAP_PROP_FRAME_COUNT)) for v in videos]
    assert [line.split()[:2] for line in lines] == [[v, str(n)] for v, n in zip(videos, lengths)]
