#!/usr/bin/env bash
# tavo-track --gt prints tavo-eval's measures: on the demo video, tracked
# with --robust over its first frames, every measure the --gt report names
# (HOTA ... Success50) is the value tavo-eval --csv writes for the --mot
# file against the ground truth of those frames, text for text.  The
# report's existing lines stay, the "all" row and CLEAR-MOT last.
#
# usage: track_gt_matches_eval_test.sh TAVO_TRACK TAVO_EVAL DEMO_VIDEO
set -euo pipefail
track=$(readlink -f "$1") eval=$(readlink -f "$2") demo=$(readlink -f "$3")
frames=60  # enough for targets to cross and be lost with --robust

fail() { echo "FAIL: $*" >&2; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/tavo-gt-eval.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

awk -F, -v last="$frames" '$1 <= last' "${demo%.avi}.gt.txt" >gt.txt
[ -s gt.txt ] || fail "no ground truth in the first $frames frames"
"$track" "$demo" --targets gt.txt --gt gt.txt --robust --seed 1 --frames "$frames" -q --mot run.txt >report.txt ||
  fail "tavo-track failed: $(cat report.txt)"
"$eval" --gt gt.txt run.txt --csv scores.csv >table.txt || fail "tavo-eval failed"

# NAME VALUE pairs of the report's measure lines ("HOTA: HOTA 0.5, DetA 0.4").
sed -n 's/^\(HOTA\|identity\|tracks\|OTB curves\): //p' report.txt | tr ',' '\n' | awk 'NF == 2 { print $1, $2 }' \
  | LC_ALL=C sort >printed.txt
# The same names from the CSV's row.
awk -F, 'NR == 1 { for (i = 1; i <= NF; ++i) name[i] = $i } NR == 2 { for (i = 3; i <= NF; ++i) print name[i], $i }' \
  scores.csv | LC_ALL=C sort >all.txt
[ "$(wc -l <printed.txt)" = 15 ] || fail "the report names $(wc -l <printed.txt) measures, not 15: $(cat report.txt)"
missing=$(LC_ALL=C comm -23 printed.txt all.txt)
[ -z "$missing" ] || fail "values that differ from tavo-eval's: $missing (tavo-eval: $(cat scores.csv))"

# The existing report: heading first, then the measures, the table, "all" and CLEAR-MOT last.
head -1 report.txt | grep -q "^score against gt.txt, frames 1 to $frames$" || fail "heading: $(head -1 report.txt)"
tail -2 report.txt | head -1 | grep -q '^   all ' || fail "the 'all' row is not next to last"
tail -1 report.txt | grep -q '^CLEAR-MOT: MOTA ' || fail "CLEAR-MOT is not last"
grep -q '^target  frames  mean error  max error  success  confusions$' report.txt || fail "no table"
echo "PASS: $(sed -n 's/^HOTA: //p' report.txt)"
