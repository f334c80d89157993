#!/usr/bin/env bash
# tavo-track --show in a real window under Xvfb: the window "TAVO tracking"
# shows the run with the demo's drawing, the frame number in a band below
# the frame ("paused" while paused); Space pauses (the picture and the
# result files stand still) and resumes;
# Escape, or closing the window through the window system, ends the run
# early with exit status 0, every result file complete up to the last
# tracked frame and the summary saying so.  Ctrl-C while paused stops at
# once (exit status 130), the X server killed ends the run as a hangup
# (129); both keep the results so far.  A 25 frames/s clip plays at that
# rate (--show-speed max: faster); at its end the results are written and
# the last frame stays until a key (a close or SIGTERM end it at once).  On a small
# screen a large video's window is scaled down to fit, a small video's
# scaled up.
#   track_show_test.sh TRACK SEND_CLOSE VIDEO DISPLAY_NUMBER SCREENSHOT_DIR
set -uo pipefail
source "$(dirname "$0")/e2e_lib.sh"
track=$(realpath "$1") send_close=$2 video=$3 artifacts=$5
XVFB_SCREEN=800x600x24  # a small screen: larger windows must be scaled down
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
  expect_client_size "$id" 320x344  # the demo video's frames and the band below them
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

# The band below the frame: the frame number at its left, nothing more.
[ "$(light_pixels "$artifacts/show-playing.png" 0 320 100 24)" -gt 20 ] || fail "no frame number below the frame"
[ "$(light_pixels "$artifacts/show-playing.png" 150 320 170 24)" = 0 ] || fail "more than the frame number while playing"

press "$id" space
wait_still "$id" 5 || fail "Space did not pause the run"
shot "$id" "$artifacts/show-paused.png"
[ "$(light_pixels "$artifacts/show-paused.png" 150 320 170 24)" -gt 20 ] || fail "the band does not say paused"
# While the run goes on, the MOT lines go to a temporary file beside m.txt.
pending() { cat "$dir"/.tavo-*.txt 2>/dev/null | wc -l; }  # .tavo-HOST-PID-RANDOM.txt
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

# -- A 25 frames/s clip of 50 frames (scaled up twice: 160x120 is small)
# plays at its rate, about 2 s; its results are written at its end, and
# the last frame stays, the band saying so, until a key.
make_clip "$work/clip25.avi" 160x120 50
# play_clip NAME SPEED [CLIP]: runs the clip (clip25.avi) with --show-speed
# SPEED; sets `ms` to the time until its MOT file is written.
play_clip() {
  local start _
  demo_dir "$1"
  start=$(date +%s%N)
  start_track "$dir" "$track" "$work/${3:-clip25.avi}" --seed 1 --box 60,40,20,20 --iterations 1 --samples 20 \
    --show --show-speed "$2" --mot m.txt
  for _ in $(seq 1000); do
    [ -e "$dir/m.txt" ] || alive || break
    [ -e "$dir/m.txt" ] && break
    sleep 0.02
  done
  ms=$((($(date +%s%N) - start) / 1000000))
  [ -e "$dir/m.txt" ] || { wait_exit 5; fail "$1: no MOT file (exit status $status): $(cat "$dir/err")"; }
  [ "$(wc -l <"$dir/m.txt")" = 50 ] || fail "$1: the MOT file does not hold the 50 frames"
  grep -q '^50 frames, ' "$dir/out" || fail "$1: no summary of the 50 frames before the end: $(cat "$dir/out")"
}
play_clip paced video
paced=$ms
note "50 frames at the video's rate: $paced ms"
[ "$paced" -ge 1800 ] || fail "50 frames of a 25 frames/s clip played in $paced ms"
expect_window "$title"
expect_client_size "$id" 320x264
sleep 1
alive || fail "the window closed itself at the end of the video"
shot "$id" "$artifacts/show-end.png"
[ "$(light_pixels "$artifacts/show-end.png" 150 240 170 24)" -gt 20 ] || fail "the band does not say the video ended"
press "$id" x
wait_exit 10
[ "$status" = 0 ] || fail "end: expected exit status 0 after a key, got $status: $(cat "$dir/err")"
[ "$(wc -l <"$dir/m.txt")" = 50 ] || fail "end: the MOT file changed after the key"
echo "ok: the clip plays at its frame rate, its results are written and the last frame stays until a key"

# As fast as tracked, a 5 frames/s clip of 50 frames does not take its
# 10 s: even a sanitized build on a busy machine tracks these small frames
# and opens its window in a few seconds.
make_clip "$work/clip5.avi" 160x120 50 5
play_clip fast max clip5.avi
note "50 frames of a 5 frames/s clip as fast as tracked: $ms ms"
[ "$ms" -le 8000 ] || fail "--show-speed max took $ms ms for a clip of 10 s at its rate"
expect_window "$title"
"$send_close" "$id" || fail "the close request was not sent"
wait_exit 10
[ "$status" = 0 ] || fail "closed at the end: expected exit status 0, got $status: $(cat "$dir/err")"
[ "$(wc -l <"$dir/m.txt")" = 50 ] || fail "closed at the end: the MOT file lost frames"
play_clip term max
expect_window "$title"
kill -TERM "$demo_pid"
wait_exit 5
[ "$status" = 0 ] || fail "SIGTERM at the end: expected exit status 0 (the results were complete), got $status"
[ "$(wc -l <"$dir/m.txt")" = 50 ] || fail "SIGTERM at the end: the MOT file lost frames"
echo "ok: --show-speed max plays faster; closing the window or SIGTERM ends the wait at the end at once"

# -- A 1920x1080 video on the 800x600 screen: the window is scaled down to
# fit, the frame's aspect kept, the band below it.
make_clip "$work/big.avi" 1920x1080 3
demo_dir big
start_track "$dir" "$track" "$work/big.avi" --seed 1 --box 900,500,60,60 --iterations 1 --samples 20 --show \
  --mot m.txt
expect_window "$title"
fitted_window "$id" 1920 1080
note "the window of the 1920x1080 video: ${w}x$h at $x,$y"
[ "$((h - 24))" = "$(((w * 1080 + 960) / 1920))" ] || fail "the window ${w}x$h is not the frame's shape with the band"
[ "$x" -ge 0 ] && [ "$y" -ge 0 ] && [ $((x + w)) -le 800 ] && [ $((y + h)) -le 600 ] ||
  fail "the window ${w}x$h at $x,$y does not fit the 800x600 screen"
import -window root "$artifacts/show-fitted-screen.png" 2>/dev/null
# A key ends the wait at the end; the results are written before it (slow
# under the sanitizers, where a key pressed during the play would be lost).
for _ in $(seq 300); do [ -s "$dir/m.txt" ] && break; sleep 0.1; done
press "$id" x
wait_exit 10
[ "$status" = 0 ] || fail "big: expected exit status 0, got $status: $(cat "$dir/err")"
echo "ok: a large video's window fits the screen"

# -- Last, as it ends the X server: the display going away (the X server killed) ends the run as a hangup
# would (129), keeping the results so far.
start_show display-gone
{ kill -9 "$xvfb_pid" && wait "$xvfb_pid"; } 2>/dev/null
xvfb_pid=""
expect_interrupted display-gone 129
echo "ok: a lost display ends the run as an interrupt and keeps the results"
