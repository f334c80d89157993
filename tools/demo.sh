#!/usr/bin/env bash
# Sets TAVO up (tools/setup.sh) and runs the tracking demo in build/.
#
# With a display (DISPLAY set) the demo simply runs: Escape stops the
# tracking, any key then closes the window.
# Without a display it runs on a private Xvfb server, takes screenshots of
# the window at about 2, 4 and 6 seconds, then presses Escape and one more
# key, checks that the demo ended with its exit status 1 and prints where
# the screenshots are (build/demo-screenshots/).
#
# Exit status 0 when the demo ended normally (its own exit status is 1).
set -euo pipefail

cd "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/.."
tools/setup.sh
cd build

if [ -n "${DISPLAY:-}" ]; then
  status=0
  ./tavo-demo || status=$?
  [ "$status" -eq 1 ] || { echo "demo: unexpected exit status $status" >&2; exit 1; }
  exit 0
fi

shots=$PWD/demo-screenshots
rm -rf "$shots"
mkdir -p "$shots"
scratch=$(mktemp -d)
xvfb_pid="" demo_pid=""
cleanup() {
  if [ -n "$demo_pid" ] && kill -0 "$demo_pid" 2>/dev/null; then
    kill -9 "$demo_pid" 2>/dev/null || true
    wait "$demo_pid" 2>/dev/null || true
  fi
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  rm -rf "$scratch"
}
trap cleanup EXIT

# A private X server: display :99 when it is free, any free one otherwise.
for display in :99 ""; do
  : >"$scratch/display"
  # shellcheck disable=SC2086  # an empty $display means "any display"
  Xvfb $display -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp \
    3>"$scratch/display" >"$scratch/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    grep -qx '[0-9][0-9]*' "$scratch/display" && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  grep -qx '[0-9][0-9]*' "$scratch/display" && break
  kill "$xvfb_pid" 2>/dev/null || true
  wait "$xvfb_pid" 2>/dev/null || true
  xvfb_pid=""
done
[ -n "$xvfb_pid" ] || { echo "demo: Xvfb did not start" >&2; cat "$scratch/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(cat "$scratch/display")"
mkdir -m 700 "$scratch/xdg"
export XDG_RUNTIME_DIR="$scratch/xdg"
echo "demo: no display, running on Xvfb $DISPLAY"

./tavo-demo &
demo_pid=$!

window=""
for _ in $(seq 300); do
  window=$(xdotool search --name '^TAVO tracking DEMO$' 2>/dev/null | head -n 1) || true
  [ -n "$window" ] && break
  kill -0 "$demo_pid" 2>/dev/null || break
  sleep 0.1
done
[ -n "$window" ] || { echo "demo: the window 'TAVO tracking DEMO' did not appear" >&2; exit 1; }

# Keys go through the XTEST extension to the focused window; without a
# window manager the window has to be given the focus first.
press() {
  if timeout 5 xdotool windowfocus --sync "$window" 2>/dev/null; then
    xdotool key "$1"
  else
    xdotool key --window "$window" "$1" 2>/dev/null
  fi
}

elapsed=0
for at in 2 4 6; do
  sleep $((at - elapsed))
  elapsed=$at
  kill -0 "$demo_pid" 2>/dev/null || break
  file=$(printf '%s/demo-%02ds.png' "$shots" "$at")
  timeout 10 import -window "$window" "$file" && echo "demo: screenshot at ${at}s"
done

# Escape ends the tracking (or, once the video is over, the final wait);
# the next key closes the window.
press Escape || true
sleep 1
if kill -0 "$demo_pid" 2>/dev/null; then
  timeout 10 import -window "$window" "$shots/demo-after-escape.png" 2>/dev/null || true
  press space || true
  how="Escape and one more key"
else
  how="the end of the video and Escape"
fi

status=hung
for _ in $(seq 100); do
  if ! kill -0 "$demo_pid" 2>/dev/null; then
    status=0
    wait "$demo_pid" || status=$?
    demo_pid=""
    break
  fi
  sleep 0.1
done

echo "demo: screenshots in $shots/"
ls -1 "$shots"
if [ "$status" != 1 ]; then
  echo "demo: expected exit status 1 after $how, got $status" >&2
  exit 1
fi
echo "demo: ended with exit status 1 after $how"
