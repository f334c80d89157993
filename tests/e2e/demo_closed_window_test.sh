#!/usr/bin/env bash
# Closing the window through the window system (the WM_DELETE_WINDOW request
# a window manager sends for the close button) ends the demo with exit
# status 1 within a few seconds: no key can reach a closed window, so
# waiting for one would hang.  Checked in the final wait (no video, empty
# window) and while the video plays.
#   demo_closed_window_test.sh DEMO SEND_CLOSE VIDEO DISPLAY_NUMBER
set -uo pipefail
source "$(dirname "$0")/e2e_lib.sh"
demo=$1 send_close=$2 video=$3
e2e_start "$4"
[ -s "$video" ] || fail "no demo video at $video"

# close_case NAME WITH_VIDEO: runs the demo, waits until the window shows
# the video playing (or, without one, its empty picture standing still),
# closes the window.
close_case() {
  local name=$1
  if [ "$2" = yes ]; then demo_dir "$name" "$video"; else demo_dir "$name"; fi
  start_demo "$demo" "$dir"
  expect_window
  if [ "$2" = yes ]; then
    wait_moving "$id" 20 || fail "$name: the video is not played"
  else
    wait_still "$id" 10 || fail "$name: the empty window keeps changing"
  fi
  alive || fail "$name: the demo ended before its window was closed"
  "$send_close" "$id" || fail "$name: the close request was not sent"
  wait_exit 5
  [ "$status" = 1 ] || fail "$name: expected exit status 1 within 5 s of closing, got $status"
  [ ! -s "$dir/out" ] || fail "$name: the demo printed on stdout"
  echo "ok: $name"
}

close_case final-wait no
close_case while-playing yes
