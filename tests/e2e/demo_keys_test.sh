#!/usr/bin/env bash
# Escape while the video plays ends the frame loop, but the program keeps
# running with the frame on screen until one more key is pressed; then it
# exits with status 1, having printed nothing.
#   demo_keys_test.sh DEMO VIDEO DISPLAY_NUMBER SCREENSHOT_DIR
set -uo pipefail
source "$(dirname "$0")/e2e_lib.sh"
demo=$1 video=$2 artifacts=$4
e2e_start "$3"
[ -s "$video" ] || fail "no demo video at $video"
mkdir -p "$artifacts"
rm -f "$artifacts"/keys-*.png

demo_dir run "$video"
start_demo "$demo" "$dir"

expect_window
wait_moving "$id" 20 || fail "the video is not played"

press "$id" Escape
# The loop polls the keyboard after every frame, so the picture freezes at
# once; the demo video itself plays on for several more seconds.
wait_still "$id" 3 || fail "Escape did not stop the frame loop"
shot "$id" "$artifacts/keys-after-escape.png"
sleep 2
alive || fail "the demo ended on Escape instead of waiting for one more key"
shot "$id" "$work/later.png"
[ "$(differing_pixels "$work/later.png" "$artifacts/keys-after-escape.png")" = 0 ] ||
  fail "the picture changed again after Escape"

key_ends_demo "$id" q
echo "ok: Escape stops the tracking, the next key ends the demo with status 1"
