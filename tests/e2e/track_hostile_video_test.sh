#!/usr/bin/env bash
# tavo-track on a video file that is broken or unusual: it never crashes,
# exits with 0 or 1, explains a failure in one line on stderr, and whatever
# it writes is complete and well formed.
#   track_hostile_video_test.sh TRACK MAKE_TEST_VIDEO KIND [SOURCE]
# KIND is one of make-test-video's kinds; SOURCE is the video that the
# kind "truncated" cuts in half (without it make-test-video generates one).
set -uo pipefail
track=$(realpath "$1") make_video=$(realpath "$2") kind=$3 source=${4:+$(realpath "$4")}

fail() { echo "FAIL: $kind: $*" >&2; exit 1; }
note() { echo "-- $*"; }

work=$(mktemp -d "${TMPDIR:-/tmp}/tavo-hostile.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
video=$kind.avi
"$make_video" "$kind" "$video" ${source:+"$source"} || fail "cannot make the video"

# run [OPTIONS...]: tracks the video with fixed seed and both result files;
# sets `status`, `err` and `args`.  Anything but exit status 0 or 1 (a
# signal, a hang, a usage error), output on stdout despite --quiet or a
# crash report on stderr fails the test; so does a failure whose message is
# not one line from tavo-track or a success with anything but warnings on
# stderr.  A crash report is what the C++ runtime, the sanitizers (which end
# the program with status 1) or the system print for a crash, never a word
# that an ordinary message may contain.
run() {
  rm -f m.txt e.csv
  # Without boxes of their own, the demo's nine targets.
  args="$video --seed 1 --quiet --mot m.txt --estimates e.csv ${*:---demo-targets}"
  # shellcheck disable=SC2086  # the options are words
  timeout 280 "$track" $args >out 2>errfile
  status=$?
  err=$(cat errfile)
  note "tavo-track $args: exit status $status${err:+, stderr: $err}"
  case $status in
    0 | 1) ;;
    124) fail "tavo-track $args did not end within 280 s" ;;
    *) [ "$status" -gt 128 ] && fail "tavo-track $args was killed by signal $((status - 128)): $err"
       fail "tavo-track $args exited with status $status: $err" ;;
  esac
  [ ! -s out ] || fail "stdout is not empty with --quiet: $(head -c 300 out)"
  if grep -qE 'terminate called|ERROR: [A-Za-z]*Sanitizer|runtime error:|Segmentation fault|core dumped' errfile; then
    fail "crash report on stderr: $err"
  fi
  if [ "$status" = 0 ]; then
    ! grep -qv '^tavo-track: warning: ' errfile || fail "stderr holds more than warnings after a successful run: $err"
  else
    [ "$(wc -l <errfile)" = 1 ] || fail "expected one line on stderr, got: $err"
    [[ $err == "tavo-track: "* ]] || fail "the message does not come from tavo-track: $err"
  fi
}

# expect_message TEXT: the run failed with TEXT in its message.
expect_message() {
  [ "$status" = 1 ] || fail "tavo-track $args: expected exit status 1, got $status"
  [[ $err == *"$1"* ]] || fail "the message does not say \"$1\": $err"
}

# expect_no_outputs: a run refused before the first frame leaves no files.
expect_no_outputs() {
  [ ! -e m.txt ] && [ ! -e e.csv ] || fail "a refused run left result files behind"
}

# check_outputs TARGETS: the MOT file has ten fields per line (the box with
# two decimals, the others integers; the confidence 1, or 0 once the box
# left the frame),
# frames numbered from 1 without gaps and one line per target per frame,
# with the targets in the same order on every frame and boxes of positive
# width and height; the estimates file has its header and one line of
# finite numbers per MOT line, for the same frame and target.  Sets
# `frames` to the number of frames.
check_outputs() {
  local targets=$1 file
  for file in m.txt e.csv; do
    [ -s "$file" ] || fail "no result file $file"
    [ "$(tail -c 1 "$file" | od -An -c | tr -d ' ')" = '\n' ] || fail "$file ends inside a line"
  done
  frames=$(awk -F, -v targets="$targets" '
    function bad(why) { print "m.txt:" NR ": " why ": " $0; failed = 1; exit 1 }
    {
      if (NF != 10) bad("not 10 fields")
      for (i = 1; i <= 10; ++i)
        if (i >= 3 && i <= 6) { if ($i !~ /^-?[0-9]+\.[0-9][0-9]$/) bad("field " i " is not a number with two decimals") }
        else if ($i !~ /^-?[0-9]+$/) bad("field " i " is not an integer")
      slot = (NR - 1) % targets
      if ($1 != (NR - 1 - slot) / targets + 1) bad("frame out of sequence")
      if (NR <= targets) id[slot] = $2
      else if ($2 != id[slot]) bad("target " slot + 1 " of the frame has another id")
      if ($5 <= 0 || $6 <= 0) bad("empty box")
      if (($7 != 1 && $7 != 0) || $8 != -1 || $9 != -1 || $10 != -1)
        bad("confidence or world coordinates")
    }
    END {
      if (failed) exit 1
      if (NR % targets) { print "m.txt: the last frame has " NR % targets " of " targets " lines"; exit 1 }
      print NR / targets
    }' m.txt) || fail "$frames"
  local number='-?[0-9]+(\.[0-9]+)?(e[-+][0-9]+)?'
  [ "$(head -n 1 e.csv)" = "frame,id,pos_x,pos_y,vel_x,vel_y,scale_x,scale_y" ] ||
    fail "e.csv does not start with its header: $(head -n 1 e.csv)"
  local malformed
  malformed=$(tail -n +2 e.csv | grep -vnE "^-?[0-9]+,-?[0-9]+(,$number){6}\$" | head -n 3)
  [ -z "$malformed" ] || fail "malformed estimates: $malformed"
  cmp -s <(tail -n +2 e.csv | cut -d, -f1,2) <(cut -d, -f1,2 m.txt) ||
    fail "the estimates are not for the frames and targets of the MOT file"
}

# expect_frames TARGETS FRAMES: a successful run over FRAMES frames.
expect_frames() {
  [ "$status" = 0 ] || fail "tavo-track $args: expected exit status 0, got $status: $err"
  check_outputs "$1"
  [ "$frames" = "$2" ] || fail "expected $2 frames in the results, got $frames"
}

# expect_size_change TARGETS: frames 21 to 40 of the size-changing videos
# are of another size.  OpenCV's FFmpeg reader hands them out at the first
# frame's size, as the README and --help say: the run covers all 40 frames.
# (Should a reader hand them out as they are, the run would stop with a
# message naming frame 21: then that documentation is to be changed.)
expect_size_change() {
  expect_frames "$1" 40
}

case $kind in
  zero-byte | text)
    run
    expect_message "'$video'"
    expect_no_outputs
    ;;
  truncated)
    # The stream breaks off inside a frame: the run ends there like at the
    # end of a video with a warning, or stops with a message naming the
    # frame it could not use; either way the frames before it are all in
    # the results.
    run
    if [ "$status" = 0 ]; then
      check_outputs 9
      # The header declares all frames: the early end is pointed out.
      [[ $err == *"ends early: frame $((frames + 1)) cannot be read, though the file declares"* ]] ||
        fail "no warning that the video ends early: $err"
    else
      [[ $err =~ "frame "([0-9]+)" of '$video'" ]] || fail "the message does not name the frame: $err"
      check_outputs 9
      [ "$frames" = $((BASH_REMATCH[1] - 1)) ] ||
        fail "the results hold $frames frames, not those before frame ${BASH_REMATCH[1]}"
    fi
    # The first half of the 100 generated frames is there to be tracked.
    if [ -z "$source" ] && [ "$frames" -lt 45 ]; then
      fail "only $frames of about 50 frames were tracked"
    fi
    ;;
  size-change)
    run
    expect_size_change 9
    ;;
  size-grow)
    # The demo's targets need a larger frame than the first one.
    run
    expect_message "lies wholly outside the first frame (200x200)"
    expect_no_outputs
    run --box 20,20,18,18
    expect_size_change 1
    ;;
  one-frame)
    run
    expect_frames 9 1
    ;;
  gray)
    run
    expect_frames 9 40
    ;;
  tiny)
    # 16x16 pixels: every demo target lies outside the frame, a target of
    # the frame's own size fits, one larger than the frame overlaps it.
    run
    expect_message "lies wholly outside the first frame (16x16)"
    expect_no_outputs
    run --box 4,4,8,8
    expect_frames 1 40
    run --box 0,0,16,16
    expect_frames 1 40
    run --box 8,8,18,18
    expect_frames 1 40
    ;;
  *)
    fail "no test for this kind"
    ;;
esac
echo "ok: tavo-track handles the $kind video${source:+ (cut from $(basename "$source"))}"
