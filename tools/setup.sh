#!/usr/bin/env bash
# Prepares a Debian 12 machine for TAVO and builds it into build/.
# Installs only the packages that are missing (so a second run is quick),
# then configures and builds everything, or only the targets given (and
# what they need), e.g.  tools/setup.sh tavo-track
# Safe to run again; works from any directory.
set -euo pipefail

cd "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/.."

packages=(
  cmake g++ make
  libgtest-dev libbenchmark-dev
  libopencv-contrib-dev  # OpenCV's KCF and MOSSE, beside TAVO in the benchmark only
  libopencv-core-dev libopencv-imgproc-dev libopencv-highgui-dev libopencv-videoio-dev
  libopencv-video-dev libopencv-calib3d-dev  # the camera's motion: optical flow, robust fit
  xvfb xdotool imagemagick x11-utils libx11-dev
  clang libclang-rt-14-dev
  valgrind
  ffmpeg  # the live-view test's videos of other sizes and rates
  parallel  # tools/track_many.sh, one tavo-track per video on every core
  python3-dev pybind11-dev python3-numpy  # the Python module tavo
  python3-pytest python3-opencv           # its tests and the README's example
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Abbrev}' "$package" 2>/dev/null || true)
  [ "${status:0:2}" = ii ] || missing+=("$package")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  if [ "$(id -u)" -eq 0 ]; then
    as_root=()
  elif command -v sudo >/dev/null 2>&1; then
    as_root=(sudo)
  else
    echo "setup: missing packages (${missing[*]}) and neither root nor sudo" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  "${as_root[@]}" apt-get update -q
  "${as_root[@]}" apt-get install -y -q "${missing[@]}"
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
if [ $# -gt 0 ]; then
  cmake --build build -j2 --target "$@"
else
  cmake --build build -j2
fi
