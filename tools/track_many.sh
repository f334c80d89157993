#!/usr/bin/env bash
# track_many.sh [--jobs N] [--track PATH] OUTDIR [VIDEO...] [-- TAVO_TRACK_OPTIONS...]
#
# Runs one tavo-track per video, N at a time (default: one per core) with
# GNU parallel, and writes for each video OUTDIR/NAME/ (NAME: the video's
# file name without its extension):
#   tracks.mot.txt   the MOTChallenge tracks (--mot)
#   stdout.txt       the summary line and, when scored, the --gt report
#   stderr.txt       warnings and errors
#   status.txt       tavo-track's exit status
#   command.txt      the command, as it can be run again
# and then OUTDIR/summary.tsv, one row per folder of OUTDIR: video, status,
# frames, targets, seconds, seed, and MOTA and success (the --gt report's
# "all" row) where the video was scored.  Without videos it only remakes
# summary.tsv (after a cluster's job array, for instance).
#
# Targets: NAME.targets.txt beside the video, else its ground truth
# NAME.gt.txt, are given as --targets, unless the options give --box,
# --targets or --select.  NAME.gt.txt beside the video is given as --gt.
# A video without targets is refused before anything runs.  Give --seed in
# the options to make every run repeatable; without it each run draws its
# own seed, and the table says which.  Do not give -q: the summary line is
# what the table reads.
#
# Exit status: 0 when every run succeeded, 1 when one failed (its row says
# so), 2 usage error.
set -euo pipefail

self=$(readlink -f "${BASH_SOURCE[0]}")

usage() {
  sed -n '2p' "$self" | sed 's/^# /usage: /' >&2
  echo "track_many: $*" >&2
  exit 2
}

# The tavo-track command for one video, one word a line, into the array `command`.
video_command() {  # TRACK DIR VIDEO OPTIONS...
  local track=$1 dir=$2 video=$3; shift 3
  local base=${video%.*} targets_given=no gt_given=no option
  for option in "$@"; do
    case $option in
      --box|--box=*|--targets|--targets=*|--select) targets_given=yes ;;
      --gt|--gt=*) gt_given=yes ;;
    esac
  done
  command=("$track" "$video" --mot "$dir/tracks.mot.txt")
  if [ "$targets_given" = no ]; then
    if [ -f "$base.targets.txt" ]; then command+=(--targets "$base.targets.txt")
    elif [ -f "$base.gt.txt" ]; then command+=(--targets "$base.gt.txt")
    fi
  fi
  if [ "$gt_given" = no ] && [ -f "$base.gt.txt" ]; then command+=(--gt "$base.gt.txt"); fi
  command+=("$@")
}

video_name() { local name; name=$(basename "$1"); echo "${name%.*}"; }

# One video: run it and record what it did.  Called by parallel.
run_one() {  # TRACK OUTDIR VIDEO OPTIONS...
  local track=$1 outdir=$2 video=$3; shift 3
  local dir status=0
  dir=$outdir/$(video_name "$video")
  rm -rf "$dir"
  mkdir -p "$dir"
  video_command "$track" "$dir" "$video" "$@"
  printf '%s\n' "$video" >"$dir/video.txt"
  printf '%q ' "${command[@]}" | sed 's/ $//' >"$dir/command.txt"
  echo >>"$dir/command.txt"
  "${command[@]}" >"$dir/stdout.txt" 2>"$dir/stderr.txt" </dev/null || status=$?
  echo "$status" >"$dir/status.txt"
}

# A row of summary.tsv from a run's folder.
summary_row() {  # DIR
  local dir=$1
  awk -v video="$(cat "$dir/video.txt")" -v status="$(cat "$dir/status.txt")" '
    function seconds(text,   n, w, i, s) {  # "12.1 s", "3 min 05 s", "1 h 02 min"
      n = split(text, w, " ")
      for (i = 1; i < n; i += 2)
        s += w[i] * (w[i + 1] == "h" ? 3600 : w[i + 1] == "min" ? 60 : 1)
      return s
    }
    / in all: / {
      split($0, part, ", ")
      frames = part[1] + 0; targets = part[2] + 0
      time = part[3]; sub(/ in all:.*/, "", time); secs = seconds(time)
      if ($(NF - 1) == "seed") seed = $NF
    }
    /^CLEAR-MOT: MOTA / { mota = $3; sub(/,$/, "", mota) }
    $1 == "all" && NF == 6 { success = $5 }
    END {
      printf "%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n", video, status, frames == "" ? "-" : frames,
        targets == "" ? "-" : targets, secs == "" ? "-" : secs, seed == "" ? "-" : seed,
        mota == "" ? "-" : mota, success == "" ? "-" : success
    }' "$dir/stdout.txt"
}

# OUTDIR/summary.tsv from every run folder of OUTDIR, replaced whole.
write_summary() {  # OUTDIR
  local outdir=$1 dir table
  table=$(mktemp "$outdir/.summary.XXXXXX")
  printf 'video\tstatus\tframes\ttargets\tseconds\tseed\tmota\tsuccess\n' >"$table"
  for dir in "$outdir"/*/; do
    [ -f "$dir/status.txt" ] && [ -f "$dir/video.txt" ] && summary_row "$dir" >>"$table"
  done
  mv "$table" "$outdir/summary.tsv"
}

if [ "${1:-}" = --run-one ]; then
  shift
  run_one "$@"
  exit 0
fi

jobs=""
track=""
while [ $# -gt 0 ]; do
  case $1 in
    --jobs) [ $# -ge 2 ] || usage "--jobs needs a number"; jobs=$2; shift 2 ;;
    --track) [ $# -ge 2 ] || usage "--track needs a path"; track=$2; shift 2 ;;
    -h|--help) sed -n '2,/^set -euo/p' "$self" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    *) break ;;
  esac
done
[ $# -ge 1 ] && [ "$1" != -- ] || usage "OUTDIR missing"
outdir=$1; shift
videos=()
while [ $# -gt 0 ] && [ "$1" != -- ]; do videos+=("$1"); shift; done
[ $# -gt 0 ] && shift  # the --
options=("$@")

if [ -n "$jobs" ] && ! [[ $jobs =~ ^[1-9][0-9]*$ ]]; then usage "--jobs '$jobs': a whole number from 1"; fi
if [ -z "$track" ]; then
  track="$(dirname "$self")/../build/tavo-track"
  [ -x "$track" ] || track=$(command -v tavo-track || true)
fi
[ -n "$track" ] && [ -x "$track" ] || usage "no tavo-track: build it, or name it with --track"
track=$(readlink -f "$track")

[ ${#videos[@]} -gt 0 ] || [ -d "$outdir" ] || usage "no videos, and no folder '$outdir' to remake the table of"

# Everything is checked before anything runs.
declare -A seen=()
for video in "${videos[@]}"; do
  [ -f "$video" ] || usage "cannot read the video '$video'"
  name=$(video_name "$video")
  [ -z "${seen[$name]:-}" ] || usage "'${seen[$name]}' and '$video' would share the folder $outdir/$name"
  seen[$name]=$video
  video_command "$track" "$outdir/$name" "$video" "${options[@]}"
  case " ${command[*]} " in
    *" --targets "*|*" --box "*|*" --box="*|*" --targets="*|*" --select "*) ;;
    *) usage "no targets for '$video': put ${video%.*}.targets.txt (MOTChallenge boxes) or ${video%.*}.gt.txt beside it, or give --box or --targets after --" ;;
  esac
done
mkdir -p "$outdir"

if [ ${#videos[@]} -eq 1 ]; then
  run_one "$track" "$outdir" "${videos[0]}" "${options[@]}"
elif [ ${#videos[@]} -gt 1 ]; then
  parallel --version 2>/dev/null | grep -q 'GNU parallel' ||
    usage "GNU parallel is not installed (apt-get install parallel, or tools/setup.sh)"
  printf '%s\0' "${videos[@]}" |
    parallel --will-cite -0 -q --jobs "${jobs:-100%}" "$self" --run-one "$track" "$outdir" {} "${options[@]}"
fi
write_summary "$outdir"

failed=0
for video in "${videos[@]}"; do
  [ "$(cat "$outdir/$(video_name "$video")/status.txt")" = 0 ] || failed=1
done
cat "$outdir/summary.tsv"
exit "$failed"
