#!/usr/bin/env bash
# Unusual videos end like the end of the demo video: no crash, the program
# waits for a key with the last frame on screen, and exits with status 1.
# Files that are no video at all (empty, text) leave the window empty, like
# a missing video.
#   demo_odd_video_test.sh DEMO MAKE_TEST_VIDEO KIND DISPLAY_NUMBER SCREENSHOT_DIR [SOURCE]
# KIND is one of make-test-video's kinds (size-change, size-grow, one-frame,
# gray, tiny, zero-byte, text, truncated); SOURCE is the video that
# "truncated" cuts in half.  OpenCV's FFmpeg reader may hand out the frames
# after a size change at the first frame's size (padded or cut); whichever
# it does, the demo has to end cleanly.
set -uo pipefail
source "$(dirname "$0")/e2e_lib.sh"
demo=$1 make_video=$2 kind=$3 artifacts=$5 source=${6:-}
e2e_start "$4"
mkdir -p "$artifacts"
rm -f "$artifacts/odd-$kind.png"

demo_dir run
"$make_video" "$kind" "$dir/TAVO_DEMO.avi" ${source:+"$source"} || fail "cannot make the $kind video"
start_demo "$demo" "$dir"

expect_window
wait_still "$id" 60 || fail "the picture never stopped changing"
shot "$id" "$artifacts/odd-$kind.png"
read -r red black white < <(drawing_counts "$artifacts/odd-$kind.png")
note "$kind: $red sample-outline, $black black, $white white pixels"
case $kind in
  one-frame | truncated)
    # The last frame (the only one, or the last before the break) is
    # tracked and drawn before it is shown, and stays on screen.
    [ "$red" -ge 100 ] && [ "$black" -ge 300 ] ||
      fail "the last frame is shown without the tracking drawn on it" ;;
  zero-byte | text)
    [ "$red" = 0 ] || fail "sample outlines drawn without a video ($red pixels)" ;;
esac
sleep 1
if ! alive; then
  wait_exit 1
  fail "the demo ended (status $status) without a key press"
fi

# The video decoder may report on stderr what it makes of such files.
key_ends_demo "$id" Return stderr-allowed
echo "ok: $kind video ends like the end of the video, key ends with status 1"
