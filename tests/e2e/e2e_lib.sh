# Helpers shared by the end-to-end tests of tavo-demo and of tavo-track's
# windows; sourced, not run.
#
# Every test gets its own scratch directory and its own Xvfb server, and
# drives the real window with xdotool and ImageMagick the way a person
# would: look at the window, press keys, drag the mouse, watch the program
# end.  `demo_pid` is the program under test, the demo or tavo-track.
#
# Exit status 77 marks a test as skipped (the tools are missing).
#
# The Xvfb server and the window helpers are tools/xvfb_lib.sh's, shared
# with tools/demo.sh.

# shellcheck source=tools/xvfb_lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../tools/xvfb_lib.sh"

E2E_WINDOW='^TAVO tracking DEMO$'

fail() { echo "FAIL: $*" >&2; exit 1; }
note() { echo "-- $*"; }

e2e_require_tools() {
  local tool
  for tool in Xvfb xdotool import identify compare; do
    command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: $tool not installed"; exit 77; }
  done
  # ImageMagick's converter under its Debian name (6) or its own (7).
  if [ -x /usr/bin/convert ]; then E2E_CONVERT=/usr/bin/convert
  elif command -v magick >/dev/null 2>&1; then E2E_CONVERT=magick
  else echo "SKIP: ImageMagick convert not installed"; exit 77
  fi
}

# e2e_start PREFERRED_DISPLAY_NUMBER
# Makes the scratch directory ($work), starts Xvfb and exports DISPLAY.
# The preferred display number keeps parallel tests apart; when something
# else holds it, Xvfb picks a free number itself (-displayfd).
e2e_start() {
  e2e_require_tools
  work=$(mktemp -d "${TMPDIR:-/tmp}/tavo-e2e.XXXXXX")
  demo_pid=""
  trap e2e_cleanup EXIT
  xvfb_start "$work" "$1" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
  note "Xvfb on $DISPLAY"
}

e2e_cleanup() {
  xvfb_kill "${demo_pid:-}"
  xvfb_stop
  [ -n "${work:-}" ] && rm -rf "$work"
}

# demo_dir NAME [VIDEO]: makes $work/NAME, the working directory of one run
# of the demo, and sets `dir` to it; VIDEO, when given, is linked in as the
# run's TAVO_DEMO.avi.
demo_dir() {
  dir=$work/$1
  mkdir "$dir"
  [ -z "${2:-}" ] || ln -s "$2" "$dir/TAVO_DEMO.avi"
}

# start_demo DEMO DIR: runs the demo in DIR (stdout and stderr to DIR/out
# and DIR/err); sets demo_pid.
start_demo() {
  local demo dir=$2
  demo=$(realpath "$1")
  (cd "$dir" && exec "$demo") >"$dir/out" 2>"$dir/err" &
  demo_pid=$!
}

# start_track DIR TRACK ARGS...: runs tavo-track with ARGS in DIR like
# start_demo.
start_track() {
  local dir=$1 track
  track=$(realpath "$2")
  shift 2
  (cd "$dir" && exec "$track" "$@") >"$dir/out" 2>"$dir/err" &
  demo_pid=$!
}

# demo_window [TITLE]: waits (up to 30 s) for the window of the program
# under test (by default the demo's), prints its id.  TITLE is a regular
# expression.
demo_window() { xvfb_find_window "$demo_pid" "${1:-$E2E_WINDOW}"; }

# expect_window [TITLE]: sets `id` to the window (by default the demo's),
# or fails.
expect_window() {
  local title=${1:-$E2E_WINDOW}
  id=$(demo_window "$title")
  [ -n "$id" ] && return 0
  if ! alive; then
    wait_exit 1
    fail "the program ended (exit status $status) before its window $title appeared: $(head -c 300 "${dir:-.}/err" 2>/dev/null)"
  fi
  fail "the window $title did not appear"
}

# client_size WINDOW: the size of the window's drawing area, "WxH".
client_size() {
  xwininfo -id "$1" 2>/dev/null |
    awk '/^ *Width:/ { w = $2 } /^ *Height:/ { h = $2 } END { print w "x" h }'
}

# expect_client_size WINDOW SIZE: waits (up to 10 s) until the window's
# drawing area is SIZE ("WxH"; a window takes its size with its first
# image), or fails.
expect_client_size() {
  local size=""
  for _ in $(seq 100); do
    size=$(client_size "$1")
    [ "$size" = "$2" ] && return 0
    sleep 0.1
  done
  fail "the window's drawing area is $size, not the frame's $2"
}

# drag WINDOW X0 Y0 X1 Y1: drags the mouse with the left button held from
# (X0, Y0) to (X1, Y1), window coordinates, through a point halfway.
drag() {
  local id=$1 x0=$2 y0=$3 x1=$4 y1=$5
  xdotool mousemove --window "$id" "$x0" "$y0" mousedown 1 \
    mousemove --window "$id" $(((x0 + x1) / 2)) $(((y0 + y1) / 2)) \
    mousemove --window "$id" "$x1" "$y1" mouseup 1 || fail "could not drag the mouse"
}

# shot WINDOW FILE: screenshot of the window; a window that is just taking
# its size can refuse one screenshot, hence the retries.
shot() {
  local _
  for _ in 1 2 3; do
    xvfb_shot "$1" "$2" && return 0
    [ -n "${demo_pid:-}" ] && ! alive && break
    sleep 0.2
  done
  if [ -n "${demo_pid:-}" ] && ! alive; then
    wait_exit 1
    fail "the program ended (exit status $status) while its window was expected on screen"
  fi
  fail "no screenshot of the window"
}

# differing_pixels A B: number of pixels in which two screenshots differ.
differing_pixels() {
  local n
  n=$(compare -metric AE "$1" "$2" null: 2>&1) || true
  [[ $n =~ ^[0-9]+$ ]] || n=999999  # different sizes count as different
  echo "$n"
}

# wait_still WINDOW LIMIT: waits until two screenshots half a second apart
# are identical (the picture stopped changing); returns 1 after LIMIT
# seconds.
wait_still() {
  local id=$1 limit=$2 i
  shot "$id" "$work/still-a.png"
  for i in $(seq $((limit * 2))); do
    sleep 0.5
    shot "$id" "$work/still-b.png"
    [ "$(differing_pixels "$work/still-a.png" "$work/still-b.png")" = 0 ] && return 0
    mv "$work/still-b.png" "$work/still-a.png"
  done
  return 1
}

# wait_moving WINDOW LIMIT: waits until two screenshots a third of a second
# apart differ (frames are being shown); returns 1 after LIMIT seconds.
wait_moving() {
  local id=$1 limit=$2 i
  shot "$id" "$work/moving-a.png"
  for i in $(seq $((limit * 3))); do
    sleep 0.33
    shot "$id" "$work/moving-b.png"
    [ "$(differing_pixels "$work/moving-a.png" "$work/moving-b.png")" != 0 ] && return 0
    mv "$work/moving-b.png" "$work/moving-a.png"
  done
  return 1
}

# press WINDOW KEY: types a key into the window (see xvfb_press).
press() { xvfb_press "$1" "$2" || fail "could not type $2"; }

# changes WINDOW COMMAND...: runs the command (a key, a drag) and waits up
# to 5 s until the window's picture shows a change, or fails.  highgui
# hands out one key per look at the window's events, so keys typed faster
# than the program looks are lost; a person never types that fast, xdotool
# does.
changes() {
  local id=$1 _
  shift
  shot "$id" "$work/before-change.png"
  "$@"
  for _ in $(seq 50); do
    shot "$id" "$work/after-change.png"
    [ "$(differing_pixels "$work/before-change.png" "$work/after-change.png")" != 0 ] && return 0
    sleep 0.1
  done
  fail "no change in the window after: $*"
}

# wait_exit LIMIT: sets `status` to the demo's exit status if it ends within
# LIMIT seconds, otherwise kills it and sets `status` to "hung".
wait_exit() {
  xvfb_wait_exit "$demo_pid" "$1"
  demo_pid=""
}

alive() { kill -0 "$demo_pid" 2>/dev/null; }

# key_ends_demo WINDOW KEY [stderr-allowed]: types KEY and expects the demo
# to end with exit status 1 having printed nothing on stdout, nor on stderr
# unless allowed (the video decoder may talk about broken files there).
key_ends_demo() {
  press "$1" "$2"
  wait_exit 10
  [ "$status" = 1 ] || fail "expected exit status 1 after the key $2, got $status"
  [ ! -s "$dir/out" ] || fail "the demo printed on stdout: $(head -c 300 "$dir/out")"
  if [ -s "$dir/err" ]; then
    [ "${3:-}" = stderr-allowed ] || fail "the demo printed on stderr: $(head -c 300 "$dir/err")"
    note "stderr: $(head -n 3 "$dir/err")"
  fi
}

# Counts of tracking-drawing pixels in a screenshot, from its colour
# histogram: sample outlines (only the red byte set to 255 over a grey
# ground), black (target boxes, links) and white (label boxes).  The window
# holds the frame alone, so every pixel counts.
drawing_counts() {
  "$E2E_CONVERT" "$1" -format %c histogram:info:- 2>/dev/null |
    awk '{
      n = $1 + 0
      if (split($2, c, /[(),]/) < 4) next
      r = c[2] + 0; g = c[3] + 0; b = c[4] + 0
      d = g - b; if (d < 0) d = -d
      if (r == 255 && g <= 220 && d <= 6) red += n
      else if (r <= 5 && g <= 5 && b <= 5) black += n
      else if (r == 255 && g == 255 && b == 255) white += n
    } END { printf "%d %d %d\n", red, black, white }'
}

# make_clip FILE SIZE FRAMES: a test-pattern video of SIZE ("WxH") at 25
# frames/s made with FFmpeg, raw pixels in an AVI (any size); skips the
# test when FFmpeg is missing.
make_clip() {
  command -v ffmpeg >/dev/null 2>&1 || { echo "SKIP: ffmpeg not installed"; exit 77; }
  ffmpeg -loglevel error -y -f lavfi -i "testsrc=size=$2:rate=${4:-25}" -frames:v "$3" \
    -c:v rawvideo -pix_fmt bgr24 "$1" || fail "FFmpeg could not make $1"
}

# window_box WINDOW: the window's drawing area on the screen, "X Y W H".
window_box() {
  xwininfo -id "$1" 2>/dev/null | awk '/Absolute upper-left X:/ { x = $4 } /Absolute upper-left Y:/ { y = $4 }
    /^ *Width:/ { w = $2 } /^ *Height:/ { h = $2 } END { print x, y, w, h }'
}

# fitted_window ID FRAME_W FRAME_H: waits (up to 5 s) until the window has
# the shape of a FRAME_W x FRAME_H frame scaled to fit, with the 24-pixel
# band below it, and sets x, y, w and h to its box as window_box gives it.
fitted_window() {
  for _ in $(seq 50); do
    read -r x y w h < <(window_box "$1")
    [ "$((h - 24))" = "$(((w * $3 + $2 / 2) / $2))" ] && return 0
    sleep 0.1
  done
}

# light_pixels FILE X Y W H: how many pixels of the region are near white
# (the band's text; the band itself is dark grey).
light_pixels() {
  "$E2E_CONVERT" "$1" -crop "${4}x${5}+${2}+${3}" +repage -threshold 80% -format %c histogram:info:- 2>/dev/null |
    awk '/#FFFFFF|white/ { n += $1 } END { print n + 0 }'
}
