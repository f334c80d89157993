#!/usr/bin/env bash
# Without "TAVO_DEMO.avi" in the working directory the window still appears,
# empty (no tracking drawn), and the first key press ends the program with
# exit status 1; nothing is printed.
#   demo_no_video_test.sh DEMO DISPLAY_NUMBER SCREENSHOT_DIR
set -uo pipefail
source "$(dirname "$0")/e2e_lib.sh"
demo=$1 artifacts=$3
e2e_start "$2"
mkdir -p "$artifacts"
rm -f "$artifacts"/no-video-*.png

demo_dir run
start_demo "$demo" "$dir"

expect_window
wait_still "$id" 10 || fail "the empty window keeps changing"
shot "$id" "$artifacts/no-video-window.png"
read -r red black white < <(drawing_counts "$artifacts/no-video-window.png")
[ "$red" = 0 ] || fail "sample outlines drawn without a video ($red pixels)"
sleep 1
alive || fail "the demo ended without a key press"

key_ends_demo "$id" a
echo "ok: empty window, one key ends the demo with status 1"
