#!/usr/bin/env bash
# fetch.sh [DIR]
#
# Puts the real camera clips that tools/real_clips/ scores TAVO on into DIR
# (default build/real-clips/): they are taken out of Debian packages,
# downloaded with `apt-get download` into a scratch folder; only the clip's
# own file is unpacked from each package (`dpkg-deb --fsys-tarfile | tar -x`),
# nothing is installed, and no other file of the packages is opened.
#
#   python3-mecavideo  balle1-vp9.avi       red ball thrown across a classroom
#                      balle-jbart.mp4      tennis ball swinging in front of a board
#                      Force_constante.avi  puck pulled across an air table
#                      Principe_inertie.avi puck gliding across an air table
#                      g1.avi, g2.avi       a cyclist riding past
#   node-opencv        motion.mov           coin pushed over a table by a pen
#   gem-doc            anim-1.mov           small plane crossing a rendered room
#   python3-imageio    cockatoo.mp4         white bird coming close to the camera
#   forensics-samples-files
#                      VID_20191220_170832.mp4  a dog
#
# A package that the archive does not have is reported and skipped; the
# script then fails at the end, naming the clips it could not provide.
# Needs apt-get (with `apt-get update` run once) and dpkg-deb; every clip is
# checked to open with OpenCV by reading its first frames through tavo-track
# when build/tavo-track exists.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
dir=${1:-$root/build/real-clips}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
work=$(mktemp -d) && chmod 755 "$work"
trap 'rm -rf "$work"' EXIT

# package  path inside the package  clip name
clips=(
  "python3-mecavideo usr/share/pymecavideo/data/video/balle1-vp9.avi balle1-vp9.avi"
  "python3-mecavideo usr/share/pymecavideo/data/video/balle-jbart.mp4 balle-jbart.mp4"
  "python3-mecavideo usr/share/pymecavideo/data/video/Force_constante.avi Force_constante.avi"
  "python3-mecavideo usr/share/pymecavideo/data/video/Principe_inertie.avi Principe_inertie.avi"
  "python3-mecavideo usr/share/pymecavideo/data/video/g1.avi g1.avi"
  "python3-mecavideo usr/share/pymecavideo/data/video/g2.avi g2.avi"
  "node-opencv usr/share/doc/node-opencv/examples/files/motion.mov motion.mov"
  "gem-doc usr/share/gem/examples/data/anim-1.mov anim-1.mov"
  "python3-imageio usr/lib/python3/dist-packages/imageio/resources/images/cockatoo.mp4 cockatoo.mp4"
  "forensics-samples-files usr/share/forensics-samples/original-files/movie1/VID_20191220_170832.mp4 VID_20191220_170832.mp4"
)

missing=()
declare -A downloaded
for entry in "${clips[@]}"; do
  read -r package inside name <<<"$entry"
  if [[ -s $dir/$name ]]; then
    echo "fetch.sh: $name already in $dir"
    continue
  fi
  if [[ -z ${downloaded[$package]:-} ]]; then
    # apt-get download writes into the current folder, as the _apt user when
    # it can: a world-writable scratch folder avoids its sandbox warning.
    mkdir -p "$work/$package/root" && chmod 777 "$work/$package"
    if ! (cd "$work/$package" && apt-get download -q "$package" >/dev/null); then
      echo "fetch.sh: the package $package is not in the archive (run apt-get update?); skipping its clips" >&2
      downloaded[$package]=missing
    else
      downloaded[$package]=yes
    fi
  fi
  # Only the clip's own member: some packages hold videos kept for other uses.
  if [[ ${downloaded[$package]} == yes ]]; then
    dpkg-deb --fsys-tarfile "$work/$package"/*.deb | tar -x -C "$work/$package/root" "./$inside" 2>/dev/null || true
  fi
  if [[ ${downloaded[$package]} != yes || ! -s $work/$package/root/$inside ]]; then
    echo "fetch.sh: $name is not in $package" >&2
    missing+=("$name")
    continue
  fi
  cp "$work/$package/root/$inside" "$dir/$name"
  echo "fetch.sh: $name from $package ($(stat -c %s "$dir/$name") bytes)"
done

if [[ -x $root/build/tavo-track ]]; then
  for entry in "${clips[@]}"; do
    read -r _ _ name <<<"$entry"
    [[ -s $dir/$name ]] || continue
    if ! "$root/build/tavo-track" "$dir/$name" --frames 5 --box 10,10,20,20 --seed 1 -q; then
      echo "fetch.sh: OpenCV cannot read $dir/$name" >&2
      missing+=("$name")
    fi
  done
fi

if ((${#missing[@]})); then
  echo "fetch.sh: not available: ${missing[*]}" >&2
  exit 1
fi
echo "fetch.sh: clips in $dir"
