#!/usr/bin/env bash
# Sets TAVO up (tools/setup.sh), builds only the demo and its video, and
# runs the demo in build/.
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
# shellcheck source=tools/xvfb_lib.sh
source tools/xvfb_lib.sh
# The demo program and the demo video it plays (written by the build);
# the tests, benchmark and other programs are left for tools/test.sh.
tools/setup.sh tavo-demo demo_video
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
demo_pid=""
cleanup() {
  xvfb_kill "$demo_pid"
  xvfb_stop
  rm -rf "$scratch"
}
trap cleanup EXIT

# A private X server: display :99 when it is free, any free one otherwise.
xvfb_start "$scratch" 99 ||
  { echo "demo: Xvfb did not start" >&2; cat "$scratch/xvfb.log" >&2; exit 1; }
echo "demo: no display, running on Xvfb $DISPLAY"

./tavo-demo &
demo_pid=$!

window=$(xvfb_find_window "$demo_pid" '^TAVO tracking DEMO$')
[ -n "$window" ] || { echo "demo: the window 'TAVO tracking DEMO' did not appear" >&2; exit 1; }

elapsed=0
for at in 2 4 6; do
  sleep $((at - elapsed))
  elapsed=$at
  kill -0 "$demo_pid" 2>/dev/null || break
  file=$(printf '%s/demo-%02ds.png' "$shots" "$at")
  xvfb_shot "$window" "$file" && echo "demo: screenshot at ${at}s"
done

# Escape ends the tracking (or, once the video is over, the final wait);
# the next key closes the window.
xvfb_press "$window" Escape || true
sleep 1
if kill -0 "$demo_pid" 2>/dev/null; then
  xvfb_shot "$window" "$shots/demo-after-escape.png" || true
  xvfb_press "$window" space || true
  how="Escape and one more key"
else
  how="the end of the video and Escape"
fi

xvfb_wait_exit "$demo_pid" 10
demo_pid=""

echo "demo: screenshots in $shots/"
ls -1 "$shots"
if [ "$status" != 1 ]; then
  echo "demo: expected exit status 1 after $how, got $status" >&2
  exit 1
fi
echo "demo: ended with exit status 1 after $how"
