#!/usr/bin/env bash
# Correcting a run in tavo-track's --show window under Xvfb, with the mouse
# and keys as a person would: Space pauses; a rectangle dragged on empty
# ground adds target 3; a click inside target 1's box selects it, a new box
# dragged and r re-initialise it there; a click inside target 2's box and d
# drop it; Space resumes and the video plays to its end.  Each change is
# printed on stderr as its line and written to --edits; a second run
# without a window, reading that file with --apply-edits, writes the very
# same MOT file, byte for byte.  A rectangle too small is refused with the
# reason in the band, and changes nothing.  On a 1920x1080 video, whose
# window is scaled down to fit the screen, a target added with the mouse
# has its box in the video's pixels.
#   track_edits_test.sh TRACK VIDEO DISPLAY_NUMBER SCREENSHOT_DIR
set -uo pipefail
source "$(dirname "$0")/e2e_lib.sh"
track=$(realpath "$1") video=$2 artifacts=$4
XVFB_SCREEN=800x600x24
e2e_start "$3"
[ -s "$video" ] || fail "no demo video at $video"
mkdir -p "$artifacts"
rm -f "$artifacts"/edits-*.png
title='^TAVO tracking$'
frames=60
run=(--seed 1 --frames $frames --box 136,261,18,18 --box 216,231,18,18)

# The MOT lines written so far go to a temporary file beside m.txt.
pending() { cat "$dir"/.tavo-*.txt 2>/dev/null; }

# centre ID: the centre, in whole pixels, of target ID's box on the last
# frame written so far (the paused one); the window shows the frame
# unscaled.
centre() {
  pending | awk -F, -v id="$1" '$2 == id { x = $3 + $5 / 2; y = $4 + $6 / 2 } END { printf "%d %d", x, y }'
}

# expect_printed PATTERN: waits (up to 30 s) for a line of stderr matching
# PATTERN, or fails.
expect_printed() {
  local _
  for _ in $(seq 300); do
    grep -qE "$1" "$dir/err" && return 0
    alive || break
    sleep 0.1
  done
  fail "no line '$1' on stderr: $(cat "$dir/err")"
}

click() {
  xdotool mousemove --window "$id" "$2" "$3" click 1 || fail "could not click"
}

demo_dir live
start_track "$dir" "$track" "$video" "${run[@]}" --show --mot m.txt --edits edits.txt
expect_window "$title"
expect_client_size "$id" 320x344
wait_moving "$id" 20 || fail "the window's picture never changes"
press "$id" space
wait_still "$id" 5 || fail "Space did not pause the run"
paused=$(pending | tail -n 1 | cut -d, -f1)
[ -n "$paused" ] || fail "no MOT lines written before the pause"
note "paused on frame $paused"

# A rectangle too small is refused, the band saying why; nothing changes.
changes "$id" drag "$id" 20 20 22 40
shot "$id" "$artifacts/edits-too-small.png"
grep -q 'edit:' "$dir/err" && fail "a rectangle too small made a change: $(cat "$dir/err")"

changes "$id" drag "$id" 20 20 60 60
expect_printed "^tavo-track: edit: $paused add 3 20 20 40 40\$"

read -r x1 y1 < <(centre 1)
changes "$id" click "$id" "$x1" "$y1"
changes "$id" drag "$id" $((x1 - 15)) $((y1 - 12)) $((x1 + 15)) $((y1 + 12))
shot "$id" "$artifacts/edits-selected-and-drawn.png"
press "$id" r
expect_printed "^tavo-track: edit: $paused reinit 1 $((x1 - 15)) $((y1 - 12)) 30 24\$"

read -r x2 y2 < <(centre 2)
changes "$id" click "$id" "$x2" "$y2"
press "$id" d
expect_printed "^tavo-track: edit: $paused drop 2\$"
shot "$id" "$artifacts/edits-made.png"

press "$id" space
for _ in $(seq 600); do
  [ -e "$dir/m.txt" ] && break
  alive || break
  sleep 0.1
done
[ -e "$dir/m.txt" ] || fail "the run did not write its results: $(cat "$dir/err")"
press "$id" x
wait_exit 30
[ "$status" = 0 ] || fail "expected exit status 0, got $status: $(cat "$dir/err")"

mapfile -t made < <(grep -v '^#' "$dir/edits.txt")
note "edits: ${made[*]}"
[ ${#made[@]} = 3 ] || fail "expected three changes in --edits, got: $(cat "$dir/edits.txt")"
[ "$(sed -n 's/^tavo-track: edit: //p' "$dir/err")" = "$(printf '%s\n' "${made[@]}")" ] ||
  fail "the lines printed are not those of --edits: $(cat "$dir/err")"
last=$(awk -F, -v f=$frames '$1 == f { printf "%s ", $2 }' "$dir/m.txt")
[ "$last" = "1 3 " ] || fail "on the last frame the run has ids '$last', not 1 and 3"
echo "ok: a target added, one re-initialised, one dropped while paused; each printed and written to --edits"

(cd "$dir" && "$track" "$video" "${run[@]}" --apply-edits edits.txt --mot again.txt -q 2>again.err) ||
  fail "the repeat failed: $(cat "$dir/again.err")"
cmp "$dir/m.txt" "$dir/again.txt" || fail "--apply-edits does not repeat the run"
echo "ok: --apply-edits repeats the corrected run byte for byte"

# -- A 1920x1080 video on the 800x600 screen: the box added is the rectangle
# dragged, in the video's pixels (within one window pixel).
make_clip "$work/big.avi" 1920x1080 100
demo_dir big
start_track "$dir" "$track" "$work/big.avi" --seed 1 --box 10,10,60,60 --show --mot m.txt
expect_window "$title"
fitted_window "$id" 1920 1080
wait_moving "$id" 20 || fail "big: the window's picture never changes"
press "$id" space
wait_still "$id" 5 || fail "big: Space did not pause the run"
changes "$id" drag "$id" 100 50 200 150
expect_printed "^tavo-track: edit: [0-9]+ add 2 "
printed=$(sed -n 's/^tavo-track: edit: [0-9]* add 2 //p' "$dir/err" | tr ' ' ,)
expected=$(awk -v w="$w" 'BEGIN { s = 1920 / w; x = int(100 * s + 0.5); y = int(50 * s + 0.5)
  printf "%d,%d,%d,%d", x, y, int(200 * s + 0.5) - x, int(150 * s + 0.5) - y }')
note "dragged 100,50 to 200,150 on the ${w}x$h window: added $printed, expected $expected"
IFS=, read -ra a <<<"$printed"
IFS=, read -ra b <<<"$expected"
limit=$(((1920 + w - 1) / w))
for i in 0 1 2 3; do
  d=$((a[i] - b[i]))
  [ "${d#-}" -le "$limit" ] || fail "big: the box added $printed is not the rectangle dragged ($expected)"
done
press "$id" Escape
wait_exit 60
[ "$status" = 0 ] || fail "big: expected exit status 0 after Escape, got $status: $(cat "$dir/err")"
echo "ok: on a window scaled to fit, the box added is in the video's pixels"
