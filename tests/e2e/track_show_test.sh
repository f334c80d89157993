#!/usr/bin/env bash
# tavo-track --show in a real window under Xvfb: the window "TAVO tracking"
# is as large as the frame and shows the run with the demo's drawing; Space
# pauses (the picture and the result files stand still) and resumes;
# Escape, or closing the window through the window system, ends the run
# early with exit status 0, every result file complete up to the last
# tracked frame and the summary saying so.  Ctrl-C while paused stops at
# once (exit status 130), the X server killed ends the run as a hangup
# (129); both keep the results so far.
#   track_show_test.sh TRACK SEND_CLOSE VIDEO DISPLAY_NUMBER SCREENSHOT_DIR
set -uo pipefail
source "$(dirname "$0")/e2e_lib.sh"
track=$(realpath "$1") send_close=$2 video=$3 artifacts=$5
e2e_start "$4"
[ -s "$video" ] || fail "no demo video at $video"
mkdir -p "$artifacts"
rm -f "$artifacts"/show-*.png
title='^TAVO tracking$'
targets=9

# start_show NAME: runs the demo video with every result file and --show.
start_show() {
  demo_dir "$1"
  start_track "$dir" "$track" "$video" --seed 1 --show --mot m.txt --estimates e.csv --video v.avi
  expect_window "$title"
  expect_client_size "$id" 320x320  # the demo video's frames
  wait_moving "$id" 20 || fail "$1: the window's picture never changes"
}

# expect_stopped_early NAME: exit status 0, the summary says the run was
# stopped, and every result file holds the same whole frames 1 to N.
expect_stopped_early() {
  local name=$1 frames
  wait_exit 30
  [ "$status" = 0 ] || fail "$name: expected exit status 0, got $status: $(cat "$dir/err")"
  frames=$(sed -n 's/^\([0-9]*\) frames, .*, stopped early from the window, seed [0-9-]*$/\1/p' "$dir/out")
  [ -n "$frames" ] || fail "$name: the summary does not say the run was stopped: $(cat "$dir/out")"
  [ "$frames" -lt 500 ] || fail "$name: the run was not stopped early ($frames frames)"
  [ "$(wc -l <"$dir/m.txt")" = $((targets * frames)) ] || fail "$name: the MOT file does not hold $frames whole frames"
  [ "$(tail -n 1 "$dir/m.txt" | cut -d, -f1,2)" = "$frames,$targets" ] || fail "$name: the MOT file does not end with frame $frames"
  [ "$(wc -l <"$dir/e.csv")" = $((1 + targets * frames)) ] || fail "$name: the estimates do not hold $frames whole frames"
  # The annotated video, read back by tavo-track itself: one MOT line per frame.
  (cd "$dir" && "$track" v.avi --box 0,0,8,8 --seed 1 -q --iterations 1 --samples 20 --mot count.txt) ||
    fail "$name: the annotated video cannot be read back"
  [ "$(wc -l <"$dir/count.txt")" = "$frames" ] || fail "$name: the annotated video does not hold $frames frames"
  note "$name: stopped after $frames frames, every file complete"
}

# -- Space pauses and resumes, Escape stops.
start_show escape
shot "$id" "$artifacts/show-playing.png"
read -r red black white < <(drawing_counts "$artifacts/show-playing.png")
note "while playing: $red sample-outline, $black black, $white white pixels"
[ "$red" -ge 100 ] && [ "$black" -ge 300 ] && [ "$white" -ge 200 ] ||
  fail "the window does not show the tracking's drawing"

press "$id" space
wait_still "$id" 5 || fail "Space did not pause the run"
shot "$id" "$artifacts/show-paused.png"
# While the run goes on, the MOT lines go to a temporary file beside m.txt.
pending() { cat "$dir"/.tavo-*.txt 2>/dev/null | wc -l; }  # .tavo-PID-N.txt
lines=$(pending)
[ "$lines" -gt 0 ] || fail "no MOT lines are written while the run goes on"
sleep 1
shot "$id" "$work/paused-later.png"
[ "$(differing_pixels "$artifacts/show-paused.png" "$work/paused-later.png")" = 0 ] ||
  fail "the picture changed while paused"
[ "$(pending)" = "$lines" ] || fail "frames were tracked while paused"
alive || fail "the run ended while paused"

press "$id" space
wait_moving "$id" 10 || fail "Space did not resume the run"
press "$id" Escape
expect_stopped_early escape
echo "ok: Space pauses and resumes, Escape stops with complete outputs"

# -- Closing the window stops the run the same way.
start_show close
"$send_close" "$id" || fail "the close request was not sent"
expect_stopped_early close
echo "ok: closing the window stops with complete outputs"

# -- Escape acts at once even while a long frame is tracked: joint-move
# iterations enough for every frame to take about four seconds in this
# build (a sanitizer build is many times slower), measured on three frames.
demo_dir long
start=$(date +%s%N)
(cd "$dir" && "$track" "$video" --seed 1 --frames 3 --box 136,261,18,18 --iterations 5000000 -q) ||
  fail "long frame: the measuring run failed"
ms=$((($(date +%s%N) - start) / 1000000))
iterations=$((5000000 * 4000 / (ms / 3 + 1)))
[ "$iterations" -le 100000000 ] || iterations=100000000  # the most --iterations takes
note "three frames of 5 million iterations took $ms ms: $iterations iterations per frame"
start_track "$dir" "$track" "$video" --seed 1 --show --box 136,261,18,18 --iterations "$iterations" --mot m.txt
expect_window "$title"  # shown after the first frame, while the second is tracked
press "$id" Escape
pressed=$SECONDS
wait_exit 30
[ "$status" = 0 ] || fail "long frame: expected exit status 0, got $status: $(cat "$dir/err")"
[ $((SECONDS - pressed)) -le 2 ] || fail "long frame: the run took $((SECONDS - pressed)) s to stop after Escape"
grep -q "stopped early from the window" "$dir/out" || fail "long frame: the summary does not say the run was stopped"
[ "$(cut -d, -f1 "$dir/m.txt" | sort -u)" = 1 ] || fail "long frame: the MOT file holds more than the first, whole frame"
echo "ok: Escape stops a long frame at once, and only whole frames are written"

# expect_interrupted NAME STATUS: the run ended at once with STATUS, saying
# after how many frames, and the MOT file holds exactly those whole frames.
expect_interrupted() {
  local name=$1 frames
  wait_exit 5
  [ "$status" = "$2" ] || fail "$name: expected exit status $2, got $status: $(cat "$dir/err")"
  frames=$(sed -n 's/^tavo-track: .*interrupted after \([0-9]*\) frames$/\1/p' "$dir/err")
  [ -n "$frames" ] && [ "$frames" -gt 0 ] || fail "$name: no message of the interruption: $(cat "$dir/err")"
  [ "$(wc -l <"$dir/m.txt")" = $((targets * frames)) ] || fail "$name: the MOT file does not hold $frames whole frames"
  bad=$(grep -v '^tavo-track: ' "$dir/err")
  [ -z "$bad" ] || fail "$name: lines on stderr that are not the command's: $bad"
  note "$name: interrupted after $frames frames, the MOT file kept"
}

# -- Ctrl-C while paused stops at once (130), keeping the results so far.
start_show paused-interrupt
press "$id" space
wait_still "$id" 5 || fail "Space did not pause the run"
kill -INT "$demo_pid"
expect_interrupted paused-interrupt 130
echo "ok: Ctrl-C while paused stops at once and keeps the results"

# -- The display going away (the X server killed) ends the run as a hangup
# would (129), keeping the results so far.
start_show display-gone
{ kill -9 "$xvfb_pid" && wait "$xvfb_pid"; } 2>/dev/null
xvfb_pid=""
expect_interrupted display-gone 129
echo "ok: a lost display ends the run as an interrupt and keeps the results"
