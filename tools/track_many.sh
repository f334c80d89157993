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
# summary.tsv (after a cluster's job array, for instance).  A video whose
# run did not finish (stopped, or still running) has the status
# "unfinished".  A field without a value is "-".  In the video's name a
# backslash is written \\, a tab \t, a newline \n and a carriage return \r,
# so that a row is one line of eight fields; printf '%b' gives the name back.
#
# Targets: NAME.targets.txt beside the video, else its ground truth
# NAME.gt.txt, are given as --targets, unless the options give --box,
# --targets or --select.  NAME.gt.txt beside the video is given as --gt.
# A video without targets is refused before anything runs.  Give --seed in
# the options to make every run repeatable; without it each run draws its
# own seed, and the table says which.  -q (--quiet) keeps the progress line
# out of stderr.txt, but the summary line, which the table reads, is still
# written to stdout.txt.
#
# SIGINT, SIGTERM or SIGHUP stops the runs in progress (each tavo-track
# keeps what it tracked, as a stopped run does), starts no more, and writes
# summary.tsv with the videos not finished marked so.
#
# Exit status: 0 when every run succeeded, 1 when one failed or did not
# finish (its row says so), 2 usage error (nothing run), 128 + the signal's
# number (130, 143, 129) when stopped by a signal.
set -euo pipefail
shopt -s dotglob  # a video named .clip.avi has the folder .clip

self=$(readlink -f "${BASH_SOURCE[0]}")
# How parallel ends a job when the batch is stopped: a first SIGTERM, which
# tavo-track answers by writing what it tracked; a second, which ends it at
# once, for a run that takes more than 5 s to write; then SIGKILL.
stop_sequence=TERM,5000,TERM,2000,KILL,25

usage() {
  sed -n '2p' "$self" | sed 's/^# /usage: /' >&2
  echo "track_many: $*" >&2
  exit 2
}

# The tavo-track command for one video, one word a line, into the array
# `command`.  -q is not passed on (the table reads the summary line); the
# progress line it would hide stays off, unless the options ask for it.
video_command() {  # TRACK DIR VIDEO OPTIONS...
  local track=$1 dir=$2 video=$3; shift 3
  local base=${video%.*} targets_given=no gt_given=no quiet=no option passed=()
  for option in "$@"; do
    case $option in
      --box|--box=*|--targets|--targets=*|--select) targets_given=yes ;;
      --gt|--gt=*) gt_given=yes ;;
    esac
    case $option in
      -q|--quiet) quiet=yes ;;
      *) passed+=("$option") ;;
    esac
  done
  command=("$track" "$video" --mot "$dir/tracks.mot.txt")
  if [ "$targets_given" = no ]; then
    if [ -f "$base.targets.txt" ]; then command+=(--targets "$base.targets.txt")
    elif [ -f "$base.gt.txt" ]; then command+=(--targets "$base.gt.txt")
    fi
  fi
  if [ "$gt_given" = no ] && [ -f "$base.gt.txt" ]; then command+=(--gt "$base.gt.txt"); fi
  if [ "$quiet" = yes ]; then command+=(--no-progress); fi
  command+=("${passed[@]}")
}

# The folder name of a video: its file name without the extension.
video_name() { local name=${1##*/}; printf '%s' "${name%.*}"; }

# A run's tavo-track, in a process group of its own (parallel's stop
# reaches the run, which passes each signal on once), waited for; its exit
# status into `status`, and into `stopped_by` 128 + the number of the
# signal that stopped it, if one did.
run_stoppable() {  # STDOUT STDERR COMMAND...
  local out=$1 err=$2 child="" caught=""; shift 2
  trap 'caught=${caught:-143}; [ -z "$child" ] || kill -TERM "$child" 2>/dev/null || true' TERM
  trap 'caught=${caught:-130}; [ -z "$child" ] || kill -TERM "$child" 2>/dev/null || true' INT
  trap 'caught=${caught:-129}; [ -z "$child" ] || kill -TERM "$child" 2>/dev/null || true' HUP
  set -m
  "$@" >"$out" 2>"$err" </dev/null &
  child=$!
  set +m
  [ -z "$caught" ] || kill -TERM "$child" 2>/dev/null || true
  while kill -0 "$child" 2>/dev/null; do wait "$child" 2>/dev/null || true; done
  status=0
  wait "$child" || status=$?
  trap - TERM INT HUP
  stopped_by=$caught
}

# One video: run it and record what it did.  Called by parallel, or alone.
# BATCH/done.SEQ marks the run finished; a run started after BATCH/stop
# appeared does nothing.
run_one() {  # TRACK OUTDIR BATCH SEQ VIDEO OPTIONS...
  local track=$1 outdir=$2 batch=$3 seq=$4 video=$5; shift 5
  local dir status=0 stopped_by=""
  [ ! -e "$batch/stop" ] || exit 0
  dir=$outdir/$(video_name "$video")
  rm -rf "$dir"
  mkdir -p "$dir"
  video_command "$track" "$dir" "$video" "$@"
  printf '%s\n' "$video" >"$dir/video.txt"
  printf '%q ' "${command[@]}" | sed 's/ $//' >"$dir/command.txt"
  echo >>"$dir/command.txt"
  run_stoppable "$dir/stdout.txt" "$dir/stderr.txt" "${command[@]}"
  echo "$status" >"$dir/status.txt"
  [ -z "$stopped_by" ] || exit "$stopped_by"
  : >"$batch/done.$seq"
}

# A field of summary.tsv from any text: backslash, tab, newline and
# carriage return written as \\, \t, \n and \r.
tsv_field() {  # TEXT
  local text=$1
  text=${text//\\/\\\\}
  text=${text//$'\t'/\\t}
  text=${text//$'\n'/\\n}
  text=${text//$'\r'/\\r}
  printf '%s' "$text"
}

# A file's text as written by printf '%s\n' (the last newline only removed).
file_line() {  # FILE
  local text
  text=$(cat "$1"; echo .)
  text=${text%.}
  printf '%s' "${text%$'\n'}"
}

# A row of summary.tsv: the numbers from a run's folder, if it has one.  The
# summary line is the first of stdout.txt; the --gt report's "all" row and
# CLEAR-MOT line are its last two (a file name in the report's heading
# cannot pass for them).
summary_row() {  # VIDEO STATUS [DIR]
  local numbers
  numbers=$(if [ -n "${3:-}" ] && [ -f "$3/stdout.txt" ]; then cat "$3/stdout.txt"; fi | awk '
    function seconds(text,   n, w, i, s) {  # "12.1 s", "3 min 05 s", "1 h 02 min"
      n = split(text, w, " ")
      for (i = 1; i < n; i += 2)
        s += w[i] * (w[i + 1] == "h" ? 3600 : w[i + 1] == "min" ? 60 : 1)
      return s
    }
    NR == 1 && / in all: / {
      split($0, part, ", ")
      frames = part[1] + 0; targets = part[2] + 0
      time = part[3]; sub(/ in all:.*/, "", time); secs = seconds(time)
      if ($(NF - 1) == "seed") seed = $NF
    }
    { before_last = last; last = $0 }
    END {
      n = split(before_last, all, " ")
      if (last ~ /^CLEAR-MOT: MOTA / && all[1] == "all" && n == 6) {
        split(last, word, " "); mota = word[3]; sub(/,$/, "", mota); success = all[5]
      }
      printf "%s\t%s\t%s\t%s\t%s\t%s\n", frames == "" ? "-" : frames, targets == "" ? "-" : targets,
        secs == "" ? "-" : secs, seed == "" ? "-" : seed, mota == "" ? "-" : mota, success == "" ? "-" : success
    }')
  printf '%s\t%s\t%s\n' "$(tsv_field "$1")" "$2" "$numbers"
}

# OUTDIR/summary.tsv from every run folder of OUTDIR, replaced whole.  The
# videos of the array `unfinished` (folder name -> video) are marked so,
# with or without a folder.
write_summary() {  # OUTDIR
  local outdir=$1 dir name table
  table=$(mktemp "$outdir/.summary.XXXXXX") ||
    { echo "track_many: cannot write the table into '$outdir'" >&2; return 1; }
  printf 'video\tstatus\tframes\ttargets\tseconds\tseed\tmota\tsuccess\n' >"$table"
  for dir in "$outdir"/*/; do
    dir=${dir%/}
    name=${dir##*/}
    [ -f "$dir/video.txt" ] || continue
    if [ -n "${unfinished[$name]+set}" ]; then
      summary_row "${unfinished[$name]}" unfinished "$dir"
      unset "unfinished[$name]"
    elif [ -f "$dir/status.txt" ]; then
      summary_row "$(file_line "$dir/video.txt")" "$(file_line "$dir/status.txt")" "$dir"
    else
      summary_row "$(file_line "$dir/video.txt")" unfinished "$dir"
    fi
  done >>"$table"
  for name in "${!unfinished[@]}"; do summary_row "${unfinished[$name]}" unfinished; done >>"$table"
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

if [ -e "$outdir" ] && [ ! -d "$outdir" ]; then usage "OUTDIR '$outdir' exists and is not a folder"; fi
[ ${#videos[@]} -gt 0 ] || [ -d "$outdir" ] || usage "no videos, and no folder '$outdir' to remake the table of"

# Everything is checked before anything runs.
declare -A seen=()
for video in "${videos[@]}"; do
  [ -f "$video" ] || usage "cannot read the video '$video'"
  name=$(video_name "$video")
  case $name in
    ""|.|..) usage "the video '$video' has no name of its own for its folder in OUTDIR (without its extension, it is '$name'): rename it" ;;
  esac
  [ -z "${seen[$name]:-}" ] || usage "'${seen[$name]}' and '$video' would share the folder $outdir/$name"
  seen[$name]=$video
  video_command "$track" "$outdir/$name" "$video" "${options[@]}"
  case " ${command[*]} " in
    *" --targets "*|*" --box "*|*" --box="*|*" --targets="*|*" --select "*) ;;
    *) usage "no targets for '$video': put ${video%.*}.targets.txt (MOTChallenge boxes) or ${video%.*}.gt.txt beside it, or give --box or --targets after --" ;;
  esac
done
if [ ${#videos[@]} -gt 1 ] && ! parallel --version 2>/dev/null | grep -q 'GNU parallel'; then
  usage "GNU parallel is not installed (apt-get install parallel, or tools/setup.sh)"
fi
if ! why=$(mkdir -p -- "$outdir" 2>&1); then
  usage "OUTDIR '$outdir': cannot make the folder: ${why##*: }"
fi

# The batch's own files: the list of videos for parallel, the marks of the
# runs finished, and the mark that stops it.
batch=$(mktemp -d "${TMPDIR:-/tmp}/track_many.XXXXXX")
trap 'rm -rf "$batch"' EXIT
runner=""
stopped_by=""
stop_batch() {  # EXIT_STATUS
  stopped_by=${stopped_by:-$1}
  : >"$batch/stop"
  [ -z "$runner" ] || kill -TERM "$runner" 2>/dev/null || true
}
trap 'stop_batch 143' TERM
trap 'stop_batch 130' INT
trap 'stop_batch 129' HUP

if [ ${#videos[@]} -eq 1 ]; then
  "$self" --run-one "$track" "$outdir" "$batch" 1 "${videos[0]}" "${options[@]}" &
  runner=$!
elif [ ${#videos[@]} -gt 1 ]; then
  printf '%s\0' "${videos[@]}" >"$batch/videos"
  parallel --will-cite -0 -q --jobs "${jobs:-100%}" --termseq "$stop_sequence" -a "$batch/videos" \
    "$self" --run-one "$track" "$outdir" "$batch" {#} {} "${options[@]}" &
  runner=$!
fi
if [ -n "$runner" ]; then
  [ -z "$stopped_by" ] || kill -TERM "$runner" 2>/dev/null || true
  while kill -0 "$runner" 2>/dev/null; do wait "$runner" 2>/dev/null || true; done
  wait "$runner" || true
fi

declare -A unfinished=()
failed=0
for i in "${!videos[@]}"; do
  name=$(video_name "${videos[$i]}")
  if [ ! -e "$batch/done.$((i + 1))" ]; then
    unfinished[$name]=${videos[$i]}
    failed=1
  elif [ "$(file_line "$outdir/$name/status.txt")" != 0 ]; then
    failed=1
  fi
done
write_summary "$outdir"
cat "$outdir/summary.tsv"
[ -z "$stopped_by" ] || exit "$stopped_by"
exit "$failed"
