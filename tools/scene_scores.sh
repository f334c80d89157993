#!/usr/bin/env bash
# scene_scores.sh TAVO_TRACK SCENE_DIR SEEDS CONFIG...
#
# Scores tavo-track on the scenes that make-scenes writes (SCENE_DIR holds
# SCENE.avi and SCENE.gt.txt; targets come from the ground truth's first
# frame).  Every CONFIG is "LABEL=OPTIONS", e.g. "default=" or
# "robust=--robust".  For every scene, target and configuration it prints
# the median over the seeds (e.g. "1 2 3") of the success rate (overlap >=
# 0.5), the worst seed's success rate and the median of the mean centre
# error in pixels, as a Markdown table, and the
# median ms per frame of the tracking cycle and of the whole frame (reading,
# preparing, tracking and writing it).  SCENES (environment) limits
# the scenes, e.g. SCENES="light fast".
set -euo pipefail
track=$1 dir=$2 seeds=$3; shift 3
scenes=${SCENES:-$(cd "$dir" && ls *.gt.txt | sed 's/\.gt\.txt$//')}
median() { sort -g | awk '{v[NR]=$1} END {if (NR%2) print v[(NR+1)/2]; else print (v[NR/2]+v[NR/2+1])/2}'; }
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
header="| scene | id |"; rule="|---|---|"
for config in "$@"; do header+=" ${config%%=*} success | worst | ${config%%=*} error |"; rule+="---|---|---|"; done
echo "$header"; echo "$rule"
declare -A ms whole
for scene in $scenes; do
  for config in "$@"; do
    label=${config%%=*} opts=${config#*=}
    for seed in $seeds; do
      # shellcheck disable=SC2086  # the options are words
      "$track" "$dir/$scene.avi" --targets "$dir/$scene.gt.txt" --gt "$dir/$scene.gt.txt" --seed "$seed" $opts \
        >"$work/$scene.$label.$seed.txt" 2>>"$work/stderr.txt"
    done
    ms[$scene.$label]=$(cat "$work/$scene".$label.*.txt | sed -n 's/.*tracking cycle \([0-9.]*\) ms median.*/\1/p' | median)
    whole[$scene.$label]=$(cat "$work/$scene".$label.*.txt | sed -n 's/.*whole frame \([0-9.]*\) ms median.*/\1/p' | median)
  done
  ids=$(awk '/^ +[0-9]+ +[0-9]+ /{print $1}' "$work/$scene.${1%%=*}.${seeds%% *}.txt")
  for id in $ids; do
    row="| $scene | $id |"
    for config in "$@"; do
      label=${config%%=*}
      s=$(for f in "$work/$scene.$label".*.txt; do awk -v id="$id" '$1==id && NF==6 {print $5}' "$f"; done | median)
      w=$(for f in "$work/$scene.$label".*.txt; do awk -v id="$id" '$1==id && NF==6 {print $5}' "$f"; done | sort -g | head -1)
      e=$(for f in "$work/$scene.$label".*.txt; do awk -v id="$id" '$1==id && NF==6 {print $3}' "$f"; done | median)
      row+=" $s | $w | $e |"
    done
    echo "$row"
  done
done
echo
echo "| scene |$(for c in "$@"; do printf ' %s cycle ms | %s frame ms |' "${c%%=*}" "${c%%=*}"; done)"
echo "|---|$(for c in "$@"; do printf -- '---|---|'; done)"
for scene in $scenes; do
  printf '| %s |' "$scene"
  for c in "$@"; do printf ' %s | %s |' "${ms[$scene.${c%%=*}]}" "${whole[$scene.${c%%=*}]}"; done; echo
done
