# shellcheck shell=bash
# A program's window on a private Xvfb server, driven with xdotool and
# photographed with ImageMagick: the helpers that tools/demo.sh and the
# end-to-end tests (tests/e2e/e2e_lib.sh) share.  Sourced, not run; safe
# under `set -e`.  Each function reports by its return status and leaves
# the messages to its caller.

XVFB_SCREEN=1600x1200x24   # wide enough for the whole highgui window
xvfb_pid=""

# xvfb_start DIR PREFERRED_DISPLAY_NUMBER
# Starts Xvfb (its log in DIR/xvfb.log) and points the programs started
# from here at it: exports DISPLAY and a private XDG_RUNTIME_DIR (DIR/xdg),
# and keeps Qt and GTK off Wayland.  When something else holds the
# preferred number, Xvfb picks a free one itself (-displayfd).  The server
# never resets (-noreset): by default it resets whenever its last client
# leaves, and a program that connects meanwhile (the demo starting while
# xdotool looks for its window) is turned away.  Sets xvfb_pid; returns 1
# when Xvfb did not start.
xvfb_start() {
  local dir=$1 attempt number
  [ -d "$dir/xdg" ] || mkdir -m 700 "$dir/xdg"
  export XDG_RUNTIME_DIR="$dir/xdg"
  export QT_QPA_PLATFORM=xcb
  unset WAYLAND_DISPLAY
  for attempt in ":$2" ""; do
    : >"$dir/display"
    # shellcheck disable=SC2086  # an empty $attempt means "any display"
    Xvfb $attempt -displayfd 3 -screen 0 "$XVFB_SCREEN" -nolisten tcp -noreset \
      3>"$dir/display" >"$dir/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
      number=$(cat "$dir/display")
      if [[ $number =~ ^[0-9]+$ ]]; then
        export DISPLAY=":$number"
        return 0
      fi
      kill -0 "$xvfb_pid" 2>/dev/null || break
      sleep 0.1
    done
    xvfb_stop
  done
  return 1
}

# xvfb_stop: stops the Xvfb server started by xvfb_start, if any.
xvfb_stop() {
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=""
  fi
}

# xvfb_kill PID: kills the program PID (started in the background) if it
# still runs.
xvfb_kill() {
  if [ -n "$1" ] && kill -0 "$1" 2>/dev/null; then
    kill -9 "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
  fi
}

# xvfb_wait_exit PID LIMIT: sets `status` to the exit status of the program
# PID if it ends within LIMIT seconds, otherwise kills it and sets `status`
# to "hung".
# shellcheck disable=SC2034  # `status` is for the caller
xvfb_wait_exit() {
  local pid=$1 limit=$2
  for _ in $(seq $((limit * 10))); do
    if ! kill -0 "$pid" 2>/dev/null; then
      status=0
      wait "$pid" || status=$?
      return 0
    fi
    sleep 0.1
  done
  xvfb_kill "$pid"
  status=hung
}

# xvfb_find_window PID NAME: waits up to 30 s, while the program PID runs,
# for a window on screen (mapped: it can be photographed) whose name matches
# the regular expression NAME; prints its id (nothing when there is none).
xvfb_find_window() {
  local pid=$1 name=$2 id=""
  for _ in $(seq 300); do
    id=$(xdotool search --onlyvisible --name "$name" 2>/dev/null | head -n 1) || true
    [ -n "$id" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  echo "$id"
}

# xvfb_press WINDOW KEY: types a key into the window.  There is no window
# manager under Xvfb, so the window is given the input focus first and the
# key goes through the XTEST extension like a real key press; when focusing
# fails the key is sent to the window directly.
xvfb_press() {
  if timeout 5 xdotool windowfocus --sync "$1" 2>/dev/null; then
    xdotool key "$2"
  else
    xdotool key --window "$1" "$2" 2>/dev/null
  fi
}

# xvfb_shot WINDOW FILE: screenshot of the window.  import waits for a
# mouse click when the window is gone, hence the time limit.
xvfb_shot() {
  timeout 10 import -window "$1" "$2" 2>/dev/null
}
