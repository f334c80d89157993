#!/usr/bin/env bash
# tools/track_many.sh on three videos, two at a time: the demo video with
# its ground truth beside it (targets and score), a generated one with a
# targets file, and a broken one.  Each gets its folder with the tracks that
# a run of its own gives, and summary.tsv a row that says what the run did.
# A video without targets is refused before anything runs.
#
# usage: track_many_test.sh TAVO_TRACK MAKE_TEST_VIDEO DEMO_VIDEO
set -euo pipefail
track=$1 make_video=$2 demo=$3
many="$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/../../tools/track_many.sh"

fail() { echo "FAIL: $*" >&2; exit 1; }
parallel --version 2>/dev/null | grep -q 'GNU parallel' || { echo "SKIP: GNU parallel not installed"; exit 77; }

work=$(mktemp -d "${TMPDIR:-/tmp}/tavo-many.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir videos
ln -s "$demo" videos/demo.avi
cp "${demo%.avi}.gt.txt" videos/demo.gt.txt
"$make_video" gray videos/gray.avi
printf '1,1,40,40,30,30,1,-1,-1,-1\n1,2,150,100,30,30,1,-1,-1,-1\n' >videos/gray.targets.txt
"$make_video" text "videos/not a video.avi"
cp videos/gray.targets.txt "videos/not a video.targets.txt"

status=0
"$many" --jobs 2 out videos/demo.avi videos/gray.avi "videos/not a video.avi" -- --seed 1 --frames 20 \
  >stdout.txt 2>stderr.txt || status=$?
[ "$status" = 1 ] || fail "exit status $status, not 1 for a failed run: $(cat stderr.txt)"
cmp -s stdout.txt out/summary.tsv || fail "the table printed is not summary.tsv"

# The same runs, one by one.
"$track" videos/demo.avi --targets videos/demo.gt.txt --gt videos/demo.gt.txt --seed 1 --frames 20 \
  --mot demo.txt >demo.out
"$track" videos/gray.avi --targets videos/gray.targets.txt --seed 1 --frames 20 --mot gray.txt >gray.out
cmp -s demo.txt out/demo/tracks.mot.txt || fail "demo tracks differ from a run of their own"
cmp -s gray.txt out/gray/tracks.mot.txt || fail "gray tracks differ from a run of their own"
grep -q '^CLEAR-MOT: MOTA 1.000' out/demo/stdout.txt || fail "demo not scored: $(cat out/demo/stdout.txt)"
grep -q "cannot open the video 'videos/not a video.avi'" "out/not a video/stderr.txt" ||
  fail "the broken video's error is not kept"
for dir in demo gray "not a video"; do
  [ -f "out/$dir/command.txt" ] && [ -s "out/$dir/status.txt" ] || fail "out/$dir incomplete"
done

# The table, the seconds aside (one decimal of a run's time).
mota=$(sed -n 's/^CLEAR-MOT: MOTA \([0-9.-]*\),.*/\1/p' demo.out)
success=$(awk '$1 == "all" { print $5 }' demo.out)
expected=$(printf '%s\n' \
  "video	status	frames	targets	seconds	seed	mota	success" \
  "videos/demo.avi	0	20	9	S	1	$mota	$success" \
  "videos/gray.avi	0	20	2	S	1	-	-" \
  "videos/not a video.avi	1	-	-	-	-	-	-")
actual=$(awk -F'\t' 'BEGIN { OFS = FS } NR > 1 && $5 ~ /^[0-9.]+$/ { $5 = "S" } { print }' out/summary.tsv)
[ "$actual" = "$expected" ] || fail "summary.tsv:
$actual
expected:
$expected"

# A video without targets: refused, nothing run.
"$make_video" tiny videos/bare.avi
status=0
"$many" refused videos/gray.avi videos/bare.avi -- --seed 1 >/dev/null 2>err.txt || status=$?
[ "$status" = 2 ] || fail "exit status $status for a video without targets"
grep -q "no targets for 'videos/bare.avi': put videos/bare.targets.txt" err.txt || fail "message: $(cat err.txt)"
[ ! -e refused ] || fail "a refused batch ran"
echo "track_many: OK"
