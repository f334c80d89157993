#!/usr/bin/env bash
# tools/track_many.sh on three videos, two at a time: the demo video with
# its ground truth beside it (targets and score), a generated one with a
# targets file, and a broken one.  Each gets its folder with the tracks that
# a run of its own gives, and summary.tsv a row that says what the run did.
# A video without targets is refused before anything runs.  Options with
# -q still fill the table; odd characters in names keep a row one line; an
# OUTDIR that is a file, or a video whose folder would be OUTDIR itself, is
# refused; a signal stops the runs and still writes the table.
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
# -q among the options, and a name with a tab, a backslash and a newline:
# the numbers are still read, and the name is escaped within its one row.
odd=$'videos/odd\tname\\x\ny'
ln -s gray.avi "$odd.avi"
cp videos/gray.targets.txt "$odd.targets.txt"
"$many" --jobs 2 quiet videos/gray.avi "$odd.avi" -- -q --seed 1 --frames 5 >/dev/null 2>err.txt ||
  fail "a batch with -q failed: $(cat err.txt)"
expected=$(printf '%s\n' \
  "video	status	frames	targets	seconds	seed	mota	success" \
  "videos/gray.avi	0	5	2	S	1	-	-" \
  'videos/odd\tname\\x\ny.avi	0	5	2	S	1	-	-')
actual=$(awk -F'\t' 'BEGIN { OFS = FS } NR > 1 && $5 ~ /^[0-9.]+$/ { $5 = "S" } { print }' quiet/summary.tsv)
[ "$actual" = "$expected" ] || fail "summary.tsv with -q and an odd name:
$actual
expected:
$expected"
[ "$(printf '%b' "$(awk -F'\t' 'NR == 3 { print $1 }' quiet/summary.tsv)")" = "$odd.avi" ] ||
  fail "printf %b does not give the odd name back"

# OUTDIR an existing file: refused with the reason, the file kept.
echo keep >afile
status=0
"$many" afile videos/gray.avi -- --seed 1 >/dev/null 2>err.txt || status=$?
[ "$status" = 2 ] || fail "exit status $status for an OUTDIR that is a file"
grep -q "OUTDIR 'afile' exists and is not a folder" err.txt || fail "message for an OUTDIR that is a file: $(cat err.txt)"
[ "$(cat afile)" = keep ] || fail "the file named as OUTDIR was changed"

# A video named .avi would have OUTDIR itself as its folder: refused, the
# other runs' folders kept.
ln -s gray.avi videos/.avi
cp videos/gray.targets.txt videos/.targets.txt
status=0
"$many" out videos/.avi -- --seed 1 >/dev/null 2>err.txt || status=$?
[ "$status" = 2 ] || fail "exit status $status for a video named .avi"
grep -q "the video 'videos/.avi' has no name of its own" err.txt || fail "message for .avi: $(cat err.txt)"
[ -f out/demo/tracks.mot.txt ] || fail "a video named .avi removed the other runs"

# Signals.  A stand-in tavo-track: videos named quick* finish at once, the
# others say they started (started.NAME, their PID) and wait.
cat >fake-track <<'EOF'
#!/bin/bash
name=$(basename "$1" .avi)
if [[ $name == quick* ]]; then
  : >"$3"
  echo "3 frames, 1 target, 0.1 s in all: tracking cycle 1 ms, seed 7"
  exit 0
fi
echo $$ >"started.$name.tmp" && mv "started.$name.tmp" "started.$name"
exec sleep 300
EOF
chmod +x fake-track
for video in quick slow1 slow2 slow3 alone; do
  : >"videos/$video.avi"
  cp videos/gray.targets.txt "videos/$video.targets.txt"
done
set -m  # the batches below in process groups of their own, SIGINT not ignored
cleanup() {
  local file
  for file in started.*; do if [ -f "$file" ]; then kill "$(cat "$file")" 2>/dev/null || true; fi; done
  if [ -n "${batch:-}" ]; then kill -- "-$batch" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# Waits (at most 120 s) until FILE exists.
wait_for_file() {  # FILE WHAT
  local deadline=$((SECONDS + 120))
  until [ -e "$1" ]; do
    [ $SECONDS -lt $deadline ] || fail "$2"
    sleep 0.1
  done
}

# Waits (at most 120 s) for the batch to end; its exit status into `status`.
wait_batch() {  # WHAT
  local deadline=$((SECONDS + 120))
  while kill -0 "$batch" 2>/dev/null && [ $SECONDS -lt $deadline ]; do sleep 0.1; done
  kill -0 "$batch" 2>/dev/null && fail "$1: still running 120 s after the signal"
  status=0
  wait "$batch" || status=$?
  batch=""
}

# An old result of slow3, which the stopped batch never reaches: its row
# must not pass for this batch's.
mkdir -p stopped/slow3
echo videos/slow3.avi >stopped/slow3/video.txt
echo 0 >stopped/slow3/status.txt
"$many" --jobs 2 --track fake-track stopped videos/quick.avi videos/slow1.avi videos/slow2.avi \
  videos/slow3.avi -- --seed 7 >stopped.out 2>stopped.err &
batch=$!
wait_for_file started.slow1 "slow1 never started: $(cat stopped.err)"
wait_for_file started.slow2 "slow2 never started: $(cat stopped.err)"
kill -TERM "$batch"
wait_batch SIGTERM
[ "$status" = 143 ] || fail "exit status $status after SIGTERM, not 143: $(cat stopped.err)"
[ -f stopped/summary.tsv ] || fail "no summary.tsv after SIGTERM"
for pid in "$(cat started.slow1)" "$(cat started.slow2)"; do
  ! kill -0 "$pid" 2>/dev/null || fail "a run goes on after SIGTERM"
done
[ ! -e started.slow3 ] || fail "a run started after SIGTERM"
expected=$(printf '%s\n' \
  "video	status	frames	targets	seconds	seed	mota	success" \
  "videos/quick.avi	0	3	1	0.1	7	-	-" \
  "videos/slow1.avi	unfinished	-	-	-	-	-	-" \
  "videos/slow2.avi	unfinished	-	-	-	-	-	-" \
  "videos/slow3.avi	unfinished	-	-	-	-	-	-")
[ "$(cat stopped/summary.tsv)" = "$expected" ] || fail "summary.tsv after SIGTERM:
$(cat stopped/summary.tsv)
expected:
$expected"
cmp -s stopped.out stopped/summary.tsv || fail "the table printed after SIGTERM is not summary.tsv"

# One video (no parallel), stopped by SIGINT or SIGHUP.
for signal in INT:130 HUP:129; do
  rm -f started.alone
  "$many" --track fake-track "stopped-${signal%:*}" videos/alone.avi >/dev/null 2>alone.err &
  batch=$!
  wait_for_file started.alone "the run never started: $(cat alone.err)"
  pid=$(cat started.alone)
  kill "-${signal%:*}" "$batch"
  wait_batch "SIG${signal%:*}"
  [ "$status" = "${signal#*:}" ] || fail "exit status $status after SIG${signal%:*}: $(cat alone.err)"
  ! kill -0 "$pid" 2>/dev/null || fail "the run goes on after SIG${signal%:*}"
  [ "$(sed -n 2p "stopped-${signal%:*}/summary.tsv")" = "videos/alone.avi	unfinished	-	-	-	-	-	-" ] ||
    fail "summary.tsv after SIG${signal%:*}: $(cat "stopped-${signal%:*}/summary.tsv")"
done
echo "track_many: OK"
