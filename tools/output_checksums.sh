#!/usr/bin/env bash
# output_checksums.sh TAVO_TRACK [EXTRA_ARGS...]
#
# Prints SHA-256 sums of the --mot, --estimates and --video files that a
# tavo-track binary writes on the demo video and on a few small synthetic
# videos, and on three of the scored scenes (their first targets from the
# ground truth), for seeds 1 and 2.  Run it with the build before a change and the
# build after it: identical lines mean identical results.  EXTRA_ARGS are
# passed to every run (e.g. --threads 2).  Needs a configured build/ for the
# demo video and make-test-video.
set -euo pipefail
track=$(readlink -f "$1"); shift
top="$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/.."
build="$top/build"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
# By its own name: tavo-track tracks the demo's nine targets on it.
cp "$build/TAVO_DEMO.avi" TAVO_DEMO.avi
"$build/tests/e2e/make-test-video" gray gray.avi
"$build/tests/e2e/make-test-video" tiny tiny.avi
run() {  # NAME VIDEO SEED ARGS...
  local name=$1 video=$2 seed=$3; shift 3
  "$track" "$video" --seed "$seed" -q --mot "$name.mot" --estimates "$name.csv" --video "$name.avi" "$@" >/dev/null
  sha256sum "$name.mot" "$name.csv" "$name.avi" | awk '{print substr($1,1,16), $2}'
}
for seed in 1 2; do
  run "demo-s$seed" TAVO_DEMO.avi "$seed" "$@"
  run "gray-s$seed" gray.avi "$seed" --box 40,40,30,30 --box 150,100,30,30 "$@"
  run "tiny-s$seed" tiny.avi "$seed" --box 0,0,8,8 --box 8,8,8,8 "$@"
  run "edge-s$seed" TAVO_DEMO.avi "$seed" --frames 60 --box 0,0,18,18 --box 302,302,18,18 --box -5,150,18,18 "$@"
  for scene in clutter occluded approach; do
    if [ -f "$build/scenes/$scene.avi" ]; then
      run "$scene-s$seed" "$build/scenes/$scene.avi" "$seed" --targets "$build/scenes/$scene.gt.txt" "$@"
    fi
  done
done
