#!/usr/bin/env bash
# tavo-track --select in a real window under Xvfb, driven with the mouse
# and keys: the first frame appears in "TAVO select targets" at its own
# size, the keys named in a band below it; two rectangles dragged and kept (Space, Enter), a third kept and
# dropped again (c), then Enter with nothing drawn starts the tracking: the
# --box options printed on stderr are the dragged rectangles (within a
# pixel) and the run tracks exactly those.  Escape with nothing kept ends
# with exit status 2 and a message; with --box given, Escape tracks that
# box alone.  Selected targets take the ids after those of a targets file;
# a rectangle beyond the sample store's limit is refused; Ctrl-C ends the
# selection at once.  On the small screen, a 1920x1080 video's window is
# scaled down to fit and a rectangle dragged on it is printed in the
# video's pixels; a 2x2 video's is scaled up to be dragged in.
#   track_select_test.sh TRACK VIDEO DISPLAY_NUMBER SCREENSHOT_DIR
set -uo pipefail
source "$(dirname "$0")/e2e_lib.sh"
track=$1 video=$2 artifacts=$4
XVFB_SCREEN=800x600x24  # a small screen: larger windows must be scaled down
e2e_start "$3"
[ -s "$video" ] || fail "no demo video at $video"
mkdir -p "$artifacts"
rm -f "$artifacts"/select-*.png
title='^TAVO select targets$'
frames=20

# printed_boxes: the --box values of the run's stderr, one per line.
printed_boxes() { grep -o -- '--box [-0-9,]*' "$dir/err" | cut -d' ' -f2; }

# near A B [PIXELS]: whether two boxes X,Y,W,H differ by at most PIXELS
# (1 unless given) in each number.
near() {
  local -a a b
  local i d limit=${3:-1}
  IFS=, read -ra a <<<"$1"
  IFS=, read -ra b <<<"$2"
  [ ${#a[@]} = 4 ] || return 1
  for i in 0 1 2 3; do
    d=$((a[i] - b[i]))
    [ "${d#-}" -le "$limit" ] || return 1
  done
}

# -- Two targets dragged and kept, a third kept and dropped.
demo_dir two
start_track "$dir" "$track" "$video" --seed 1 --frames $frames --select --mot m.txt -q
expect_window "$title"
expect_client_size "$id" 320x344  # the frame and the band below it
changes "$id" drag "$id" 130 255 155 280
changes "$id" press "$id" space
changes "$id" drag "$id" 235 250 210 225   # from the bottom-right corner
changes "$id" press "$id" Return
changes "$id" drag "$id" 20 20 60 60
shot "$id" "$artifacts/select-two-kept-one-drawn.png"
changes "$id" press "$id" space
changes "$id" press "$id" c
press "$id" Return
wait_exit 60
[ "$status" = 0 ] || fail "expected exit status 0 after the selection, got $status: $(cat "$dir/err")"
mapfile -t boxes < <(printed_boxes)
note "printed: ${boxes[*]}"
[ ${#boxes[@]} = 2 ] || fail "expected two --box options on stderr, got: $(cat "$dir/err")"
near "${boxes[0]}" 130,255,25,25 || fail "first box ${boxes[0]} is not the rectangle dragged (130,255,25,25)"
near "${boxes[1]}" 210,225,25,25 || fail "second box ${boxes[1]} is not the rectangle dragged (210,225,25,25)"
ids=$(cut -d, -f2 "$dir/m.txt" | sort -un | tr '\n' ' ')
[ "$ids" = "1 2 " ] || fail "the run tracked ids '$ids', not the two selected"
[ "$(wc -l <"$dir/m.txt")" = $((2 * frames)) ] || fail "expected $frames frames of two targets in the MOT file"
echo "ok: dragged rectangles printed as --box options and tracked"

# -- Nothing kept: Escape is a usage error, no file is written.
demo_dir none
start_track "$dir" "$track" "$video" --select --mot m.txt -q
expect_window "$title"
changes "$id" drag "$id" 50 50 80 80   # drawn but not kept
press "$id" Escape
wait_exit 30
[ "$status" = 2 ] || fail "expected exit status 2 when nothing is kept, got $status"
grep -q '^tavo-track: no target selected' "$dir/err" || fail "no message that no target was selected: $(cat "$dir/err")"
[ ! -e "$dir/m.txt" ] || fail "the MOT file was written although nothing was tracked"
echo "ok: Escape with nothing kept ends with exit status 2"

# -- Boxes given on the command line come first and are tracked alone.
demo_dir given
start_track "$dir" "$track" "$video" --seed 1 --frames 3 --box 136,261,18,18 --select --mot m.txt -q
expect_window "$title"
shot "$id" "$artifacts/select-given-box.png"
press "$id" Escape
wait_exit 30
[ "$status" = 0 ] || fail "expected exit status 0 with a given box, got $status: $(cat "$dir/err")"
[ "$(printed_boxes | tr '\n' ' ')" = "136,261,18,18 " ] || fail "printed boxes: $(cat "$dir/err")"
[ "$(wc -l <"$dir/m.txt")" = 3 ] || fail "expected three frames of one target"
echo "ok: the given box alone is tracked"

# -- A targets file with the ids 1 and 3, and a rectangle selected: the new
# target takes the id 4, and the printed options repeat the run exactly.
# Run without XDG_RUNTIME_DIR: stderr holds the command's own lines only,
# none of the window system library's.
demo_dir ids
printf '1,1,136,261,18,18,1,-1,-1,-1\n1,3,216,231,18,18,1,-1,-1,-1\n' >"$dir/t.txt"
start_track "$dir" /usr/bin/env -u XDG_RUNTIME_DIR "$track" "$video" --seed 1 --frames 3 --targets t.txt \
  --select --mot m.txt -q
expect_window "$title"
changes "$id" drag "$id" 130 255 155 280
changes "$id" press "$id" Return
shot "$id" "$artifacts/select-ids-after-file.png"
press "$id" Return
wait_exit 60
[ "$status" = 0 ] || fail "ids: expected exit status 0, got $status: $(cat "$dir/err")"
bad=$(grep -v '^tavo-track: ' "$dir/err")
[ -z "$bad" ] || fail "ids: lines on stderr that are not the command's: $bad"
[ "$(cut -d, -f2 "$dir/m.txt" | sort -un | tr '\n' ' ')" = "1 3 4 " ] || fail "ids: the run tracked ids other than 1, 3, 4"
read -ra again < <(sed -n 's/^tavo-track: targets: //p' "$dir/err")
note "printed: ${again[*]}"
(cd "$dir" && "$track" "$video" --seed 1 --frames 3 "${again[@]}" --mot again.txt -q) ||
  fail "ids: the printed options do not run: ${again[*]}"
cmp -s "$dir/m.txt" "$dir/again.txt" || fail "ids: the printed options do not repeat the run: ${again[*]}"
echo "ok: selected targets take the ids after the file's, and the printed options repeat the run"

# -- Room for one more target only (the most samples fit ten targets, nine
# are given): the second rectangle is refused on the spot, in the window
# and on stderr; Ctrl-C then ends the selection at once with exit status
# 130 and no files.
demo_dir limit
given=()
for x in 0 20 40 60 80 100 120 140 160; do given+=(--box "$x,0,8,8"); done
start_track "$dir" "$track" "$video" --samples 2236961 "${given[@]}" --select --mot m.txt -q
expect_window "$title"
changes "$id" drag "$id" 130 255 155 280
changes "$id" press "$id" space
changes "$id" drag "$id" 210 225 235 250
changes "$id" press "$id" space
shot "$id" "$artifacts/select-refused.png"
grep -q '^tavo-track: rectangle not kept: no more targets fit' "$dir/err" ||
  fail "limit: no message that the rectangle was refused: $(cat "$dir/err")"
alive || fail "limit: the run ended at the refused rectangle"
kill -INT "$demo_pid"
wait_exit 5
[ "$status" = 130 ] || fail "limit: expected exit status 130 after SIGINT in the window, got $status: $(cat "$dir/err")"
[ ! -e "$dir/m.txt" ] || fail "limit: the MOT file was written although nothing was tracked"
echo "ok: a rectangle beyond the limit is refused on the spot; Ctrl-C ends the selection at once"

# -- A 1920x1080 video on the 800x600 screen: the window fits, and a
# rectangle dragged on it is printed in the video's pixels (within one
# window pixel).
make_clip "$work/big.avi" 1920x1080 2
demo_dir big
start_track "$dir" "$track" "$work/big.avi" --seed 1 --frames 2 --select --mot m.txt -q
expect_window "$title"
fitted_window "$id" 1920 1080
note "the window of the 1920x1080 video: ${w}x$h at $x,$y"
[ "$x" -ge 0 ] && [ "$y" -ge 0 ] && [ $((x + w)) -le 800 ] && [ $((y + h)) -le 600 ] ||
  fail "big: the window ${w}x$h at $x,$y does not fit the 800x600 screen"
[ "$((h - 24))" = "$(((w * 1080 + 960) / 1920))" ] || fail "big: the window ${w}x$h is not the frame's shape with the band"
changes "$id" drag "$id" 100 50 200 150
shot "$id" "$artifacts/select-fitted.png"
changes "$id" press "$id" space
press "$id" Return
wait_exit 60
[ "$status" = 0 ] || fail "big: expected exit status 0, got $status: $(cat "$dir/err")"
expected=$(awk -v w="$w" 'BEGIN { s = 1920 / w; x = int(100 * s + 0.5); y = int(50 * s + 0.5)
  printf "%d,%d,%d,%d", x, y, int(200 * s + 0.5) - x, int(150 * s + 0.5) - y }')
printed=$(printed_boxes)
note "dragged 100,50 to 200,150 on the window: printed $printed, expected $expected"
near "$printed" "$expected" $(((1920 + w - 1) / w)) || fail "big: the box $printed is not the rectangle dragged ($expected)"
echo "ok: a large video's window fits the screen, and the dragged rectangle is in the video's pixels"

# -- A 2x2 video: the window is scaled up (pixel blocks of 160) to be
# dragged in; a drag over the right column gives its box.
make_clip "$work/tiny.avi" 2x2 2
demo_dir tiny
start_track "$dir" "$track" "$work/tiny.avi" --seed 1 --frames 2 --select --mot m.txt -q
expect_window "$title"
expect_client_size "$id" 320x344
changes "$id" drag "$id" 170 10 310 310
shot "$id" "$artifacts/select-tiny.png"
changes "$id" press "$id" space
press "$id" Return
wait_exit 60
[ "$status" = 0 ] || fail "tiny: expected exit status 0, got $status: $(cat "$dir/err")"
[ "$(printed_boxes)" = 1,0,1,2 ] || fail "tiny: printed $(printed_boxes), not the right column 1,0,1,2"
echo "ok: a tiny video's window is scaled up and the dragged rectangle is in the video's pixels"
