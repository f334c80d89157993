#!/usr/bin/env bash
# The demo ends (exit status 1, within a few seconds) when its window is
# closed through the window system, both during the final wait and while
# the video plays.
#   closed_window_test.sh DEMO SEND_CLOSE VIDEO DISPLAY_NUMBER
set -uo pipefail
demo=$1 send_close=$2 video=$3 display=:$4

work=$(mktemp -d)
Xvfb "$display" -nolisten tcp -screen 0 800x600x24 >/dev/null 2>&1 &
xvfb=$!
cleanup() { kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
export DISPLAY=$display XDG_RUNTIME_DIR=$work
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

fail() { echo "FAIL: $*"; exit 1; }

window_of() {  # waits for the demo's window, prints its id
  local id=""
  for _ in $(seq 100); do
    id=$(xdotool search --name '^TAVO tracking DEMO$' 2>/dev/null | head -n 1)
    [ -n "$id" ] && break
    sleep 0.1
  done
  echo "$id"
}

# Sets `status` to the exit status if the process ends within $2 seconds,
# otherwise kills it and sets `status` to "hung".  Runs in this shell, the
# only one that can wait for the process.
wait_exit() {
  local pid=$1 limit=$2
  for _ in $(seq $((limit * 10))); do
    if ! kill -0 "$pid" 2>/dev/null; then wait "$pid"; status=$?; return; fi
    sleep 0.1
  done
  kill -9 "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; status=hung
}

run_case() {  # name, video-or-empty, seconds to let it run before closing
  local name=$1 with_video=$2 settle=$3 dir="$work/$1"
  mkdir -p "$dir"
  [ "$with_video" = yes ] && ln -s "$video" "$dir/TAVO_DEMO.avi"
  (cd "$dir" && exec "$demo") >"$dir/out" 2>"$dir/err" &
  local pid=$!
  local id; id=$(window_of)
  [ -n "$id" ] || { kill -9 "$pid"; fail "$name: no window"; }
  sleep "$settle"
  kill -0 "$pid" 2>/dev/null || fail "$name: ended before the window was closed"
  "$send_close" "$id" || fail "$name: close request not sent"
  local status; wait_exit "$pid" 5
  [ "$status" = 1 ] || fail "$name: expected exit status 1 within 5 s after closing, got $status"
  [ ! -s "$dir/out" ] || fail "$name: printed on stdout"
  echo "ok: $name"
}

# No video: the empty window waits for a key; closing it ends the program.
run_case final-wait no 1
# Closing while the video plays ends the loop and the program.
run_case while-playing yes 1
