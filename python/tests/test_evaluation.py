"""tavo.score's measures of tavo-eval and tavo.evaluate, the evaluator's
folder layout scored from Python: the rows tavo-eval --csv writes, paths
as Python's own functions take them, faults raised with the file and the
reason, and a truth scored against itself giving 1 everywhere."""

import csv
import os
import subprocess

import numpy as np
import pytest

import tavo
from conftest import BINARY_DIR, DEMO_BOXES, DEMO_TRUTH, mot_lines

TAVO_EVAL = BINARY_DIR / "tavo-eval"
COLUMNS = ["tracker", "sequence", "HOTA", "DetA", "AssA", "LocA", "HOTA0", "IDF1", "IDP", "IDR", "MOTA", "MOTP",
           "IDSW", "MT", "PT", "ML", "Frag", "AUC", "Prec20", "Success50"]
COUNTS = {"IDSW", "MT", "PT", "ML", "Frag"}
MEASURES = ["hota", "deta", "assa", "loca", "hota0", "idf1", "idp", "idr", "mt", "pt", "ml", "frag", "success_auc",
            "precision_20"]


class FileName(os.PathLike):
    def __init__(self, path):
        self.path = path

    def __fspath__(self):
        return self.path


def write_sequence(folder, name, truth_lines, length):
    (folder / name / "gt").mkdir(parents=True)
    (folder / name / "gt" / "gt.txt").write_text("".join(line + "\n" for line in truth_lines))
    (folder / name / "seqinfo.ini").write_text(f"[Sequence]\nname={name}\nseqLength={length}\n")


def write_result(folder, tracker, name, lines):
    (folder / tracker / "data").mkdir(parents=True, exist_ok=True)
    (folder / tracker / "data" / f"{name}.txt").write_text("".join(line + "\n" for line in lines))


def still(frames, *ids):
    """Objects standing apart, id k at x = 40 k, on frames 1..frames."""
    return [f"{f},{i},{40 * i},10,20,20,1,-1,-1,-1" for f in range(1, frames + 1) for i in ids]


@pytest.fixture
def layout(tmp_path):
    """Two sequences; tracker 'perfect' gives the truth, 'swapped' swaps
    the two ids half-way through sequence b and misses sequence a's second
    object."""
    gt, trackers = tmp_path / "gt", tmp_path / "trackers"
    write_sequence(gt, "a", still(4, 1, 2), 4)
    write_sequence(gt, "b", still(6, 1, 2), 6)
    write_result(trackers, "perfect", "a", still(4, 1, 2))
    write_result(trackers, "perfect", "b", still(6, 1, 2))
    write_result(trackers, "swapped", "a", still(4, 1))
    swapped = [line.replace(",1,", ",9,", 1) if int(line.split(",")[0]) > 3 else line for line in still(6, 1, 2)]
    swapped = [line.replace(",2,", ",1,", 1) if int(line.split(",")[0]) > 3 else line for line in swapped]
    write_result(trackers, "swapped", "b", swapped)
    return gt, trackers


def csv_rows(path):
    with open(path, newline="") as f:
        return [{k: int(v) if k in COUNTS else v if k in ("tracker", "sequence") else float(v) for k, v in row.items()}
                for row in csv.DictReader(f)]


def test_evaluate_gives_the_rows_tavo_eval_writes(layout, tmp_path):
    gt, trackers = layout
    rows = tavo.evaluate(gt, trackers)
    subprocess.run([str(TAVO_EVAL), "--gt-folder", str(gt), "--trackers-folder", str(trackers), "--csv",
                    str(tmp_path / "scores.csv")], check=True, capture_output=True)
    assert rows == csv_rows(tmp_path / "scores.csv")
    assert all(list(row) == COLUMNS for row in rows)
    assert [(r["tracker"], r["sequence"]) for r in rows] == [
        ("perfect", "a"), ("perfect", "b"), ("perfect", "COMBINED"),
        ("swapped", "a"), ("swapped", "b"), ("swapped", "COMBINED")]
    perfect = rows[2]
    for name in COLUMNS[2:12] + ["AUC", "Prec20", "Success50"]:
        if name not in COUNTS:
            assert perfect[name] == (round(20 / 21, 6) if name == "AUC" else 1.0), name
    assert (perfect["MT"], perfect["PT"], perfect["ML"], perfect["IDSW"]) == (4, 0, 0, 0)
    # Sequence b swapped half-way: one switch per object; sequence a: the
    # second object never tracked.
    assert rows[4]["IDSW"] == 2 and rows[3]["ML"] == 1 and rows[5]["ML"] == 1
    assert rows[5]["HOTA"] < 1.0 and isinstance(rows[5]["MT"], int)


def test_paths_and_the_seqmap_are_taken_as_python_takes_them(layout, tmp_path):
    gt, trackers = layout
    expected = tavo.evaluate(str(gt), str(trackers))
    assert tavo.evaluate(os.fsencode(gt), FileName(str(trackers))) == expected
    seqmap = tmp_path / "seqmap.txt"
    seqmap.write_text("name\nb\n")
    only_b = tavo.evaluate(gt, trackers, seqmap=FileName(os.fsencode(seqmap)))
    assert [(r["tracker"], r["sequence"]) for r in only_b] == [
        ("perfect", "b"), ("perfect", "COMBINED"), ("swapped", "b"), ("swapped", "COMBINED")]
    # One sequence combined is that sequence.
    assert {k: v for k, v in only_b[1].items() if k != "sequence"} == {k: v for k, v in only_b[0].items()
                                                                        if k != "sequence"}


def test_faults_name_the_file_and_the_reason(layout):
    gt, trackers = layout
    (trackers / "swapped" / "data" / "b.txt").write_text("1,1,0,0,10,10\n2,x,0,0,10,10\n")
    with pytest.raises(ValueError, match=r"b\.txt:2: frame and id must be whole numbers"):
        tavo.evaluate(gt, trackers)
    (trackers / "swapped" / "data" / "b.txt").unlink()
    with pytest.raises(ValueError, match=r"tracker swapped: .*b\.txt is missing"):
        tavo.evaluate(gt, trackers)
    with pytest.raises(ValueError, match="gt_folder .*: not a folder"):
        tavo.evaluate(gt / "nowhere", trackers)
    (trackers / "swapped" / "data" / "b.txt").write_text("7,1,0,0,10,10\n")
    with pytest.raises(ValueError, match=r"b\.txt:1: frame 7 is beyond the sequence's 6 frames"):
        tavo.evaluate(gt, trackers)
    (trackers / "swapped" / "data" / "b.txt").write_text("")
    (trackers / "notes").mkdir()
    with pytest.warns(UserWarning) as caught:
        rows = tavo.evaluate(gt, trackers)
    messages = [str(w.message) for w in caught]
    assert any("no data/ folder" in m for m in messages) and any("no boxes in the file" in m for m in messages)
    assert rows[4]["DetA"] == 0.0 and rows[4]["ML"] == 2


def truth_tracks(path, last):
    """The ground truth of frames 1..last as tracks_array() rows by frame."""
    by_frame = {}
    for line in open(path):
        f, i, x, y, w, h = (float(v) for v in line.split(",")[:6])
        if f <= last:
            by_frame.setdefault(int(f), []).append([i, x, y, w, h, 1, 0, x + w / 2, y + h / 2, 0, 0, 1, 1])
    return [(f, np.array(rows)) for f, rows in sorted(by_frame.items())]


def test_score_gives_one_everywhere_for_the_truth_itself():
    result = tavo.score(truth_tracks(DEMO_TRUTH, 30), DEMO_TRUTH)
    for key in ["hota", "deta", "assa", "loca", "hota0", "idf1", "idp", "idr", "precision_20"]:
        assert result[key] == 1.0, key
    assert result["success_auc"] == pytest.approx(20 / 21, abs=1e-12)
    assert (result["mt"], result["pt"], result["ml"], result["frag"]) == (len(DEMO_BOXES), 0, 0, 0)
    assert "HOTA: HOTA 1.000000" in result["text"]


def test_score_equals_tavo_eval_on_the_same_frames(tmp_path):
    frames = 25
    tracks = list(tavo.track_video(str(BINARY_DIR / "TAVO_DEMO.avi"), DEMO_BOXES, seed=1, frames=frames))
    result = tavo.score(tracks, DEMO_TRUTH)
    truth = [line for line in DEMO_TRUTH.read_text().splitlines() if int(line.split(",")[0]) <= frames]
    write_sequence(tmp_path / "gt", "demo", truth, frames)
    write_result(tmp_path / "trackers", "tavo", "demo", [line for f, t in tracks for line in mot_lines(f, t)])
    row = tavo.evaluate(tmp_path / "gt", tmp_path / "trackers")[0]
    names = dict(zip(MEASURES, ["HOTA", "DetA", "AssA", "LocA", "HOTA0", "IDF1", "IDP", "IDR", "MT", "PT", "ML",
                                "Frag", "AUC", "Prec20"]))
    for key, column in names.items():
        assert result[key] == pytest.approx(row[column], abs=5e-7), key


def test_measures_are_none_when_the_truth_gives_an_id_twice_on_a_frame(tmp_path):
    gt = tmp_path / "gt.txt"
    gt.write_text("1,1,0,0,10,10,1\n1,1,20,0,10,10,1\n")
    result = tavo.score([(1, np.array([[1, 0, 0, 10, 10]]))], gt)
    assert all(result[key] is None for key in MEASURES)
    assert result["mota"] is not None and "not computed" in result["text"]
