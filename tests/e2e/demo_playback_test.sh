#!/usr/bin/env bash
# Playing the demo video: the window "TAVO tracking DEMO" appears, as large
# as the frame and no larger, and shows the video with the tracking drawn on
# it (red sample outlines, black target
# boxes, white labels); at the end of the video the last frame stays on
# screen and the program waits; one key press ends it with exit status 1;
# nothing is printed.
#   demo_playback_test.sh DEMO VIDEO DISPLAY_NUMBER SCREENSHOT_DIR
set -uo pipefail
source "$(dirname "$0")/e2e_lib.sh"
demo=$1 video=$2 artifacts=$4
e2e_start "$3"
[ -s "$video" ] || fail "no demo video at $video"
mkdir -p "$artifacts"
rm -f "$artifacts"/playback-*.png

demo_dir run "$video"
start_demo "$demo" "$dir"

expect_window
expect_client_size "$id" 320x320  # the demo video's frames
wait_moving "$id" 20 || fail "the window's picture never changes: the video is not played"
shot "$id" "$artifacts/playback-playing.png"

sd=$(identify -format '%[fx:standard_deviation]' "$artifacts/playback-playing.png")
awk -v sd="$sd" 'BEGIN { exit !(sd > 0.02) }' || fail "the window is uniform (deviation $sd)"
read -r red black white < <(drawing_counts "$artifacts/playback-playing.png")
note "while playing: $red sample-outline, $black black, $white white pixels"
[ "$red" -ge 100 ] || fail "no red sample outlines on the video ($red pixels)"
[ "$black" -ge 300 ] || fail "no black target boxes on the video ($black pixels)"
[ "$white" -ge 200 ] || fail "no white target labels on the video ($white pixels)"

# The end of the video ends the loop: the picture stops changing and the
# program waits with the last frame (and its drawing) on screen.
wait_still "$id" 120 || fail "the picture never stopped changing"
shot "$id" "$artifacts/playback-end.png"
read -r red black white < <(drawing_counts "$artifacts/playback-end.png")
note "at the end: $red sample-outline, $black black, $white white pixels"
[ "$red" -ge 100 ] && [ "$black" -ge 300 ] ||
  fail "the last frame with its drawing is not left on screen"
sleep 1
alive || fail "the demo ended at the end of the video without waiting for a key"

key_ends_demo "$id" space
echo "ok: window shown with the tracking, waits at the end, key ends with status 1"
