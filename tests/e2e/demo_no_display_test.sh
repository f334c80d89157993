#!/usr/bin/env bash
# Without a display the demo says so in one line on stderr and ends with its
# exit status 1, instead of being aborted by the window system library.
# Tried with DISPLAY unset and with a display that no server holds.
#   demo_no_display_test.sh DEMO VIDEO
set -uo pipefail
demo=$(realpath "$1") video=$(realpath "$2")

fail() { echo "FAIL: $*" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/tavo-no-display.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
ln -s "$video" TAVO_DEMO.avi

# A display number with no server: the first free one from 4711 on.
free=4711
while [ -e "/tmp/.X11-unix/X$free" ] || [ -e "/tmp/.X$free-lock" ]; do free=$((free + 1)); done

for setting in "unset" ":$free"; do
  if [ "$setting" = unset ]; then
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 60 "$demo" >out 2>err
  else
    env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY="$setting" timeout 60 "$demo" >out 2>err
  fi
  status=$?
  err=$(cat err)
  echo "-- DISPLAY $setting: exit status $status, stderr: $err"
  [ "$status" = 1 ] || fail "DISPLAY $setting: exit status $status, not 1: $err"
  [ ! -s out ] || fail "DISPLAY $setting: stdout is not empty: $(head -c 300 out)"
  [ "$(wc -l <err)" = 1 ] || fail "DISPLAY $setting: expected one line on stderr, got: $err"
  [[ $err == "tavo-demo: "*display* ]] || fail "DISPLAY $setting: the line does not speak of the display: $err"
done
echo "ok: without a display the demo says so and exits with status 1"
