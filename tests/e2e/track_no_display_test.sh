#!/usr/bin/env bash
# tavo-track's windows without a display to open them on: --show and
# --select end with exit status 2 and one line saying why, before anything
# is tracked, instead of being aborted by the window system library.  Tried
# with Qt told to use Wayland (QT_QPA_PLATFORM=wayland) where no compositor
# runs, with and without XDG_RUNTIME_DIR.
#   track_no_display_test.sh TRACK VIDEO
set -uo pipefail
track=$(realpath "$1") video=$(realpath "$2")

fail() { echo "FAIL: $*" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/tavo-track-no-display.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
mkdir -m 700 runtime  # no compositor's socket in it

for window in --show --select; do
  for runtime in "$work/runtime" unset; do
    if [ "$runtime" = unset ]; then
      env -u XDG_RUNTIME_DIR -u WAYLAND_DISPLAY QT_QPA_PLATFORM=wayland \
        timeout 60 "$track" "$video" "$window" --frames 2 --mot m.txt >out 2>err
    else
      env -u WAYLAND_DISPLAY QT_QPA_PLATFORM=wayland XDG_RUNTIME_DIR="$runtime" \
        timeout 60 "$track" "$video" "$window" --frames 2 --mot m.txt >out 2>err
    fi
    status=$?
    err=$(cat err)
    echo "-- $window, XDG_RUNTIME_DIR $runtime: exit status $status, stderr: $err"
    [ "$status" = 2 ] || fail "$window: exit status $status, not 2: $err"
    [ "$(wc -l <err)" = 1 ] || fail "$window: expected one line on stderr, got: $err"
    [[ $err == "tavo-track: $window needs a display: "*Wayland* ]] || fail "$window: the line does not say why: $err"
    [ ! -e m.txt ] || fail "$window: the MOT file was written"
  done
done
echo "ok: without a Wayland compositor the windows say so and exit with status 2"
