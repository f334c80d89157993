#!/usr/bin/env bash
# The installed library in use: installs the build into a scratch prefix,
# builds examples/ against it with find_package(tavo) as a separate
# project, and checks that track_video follows the demo's nine targets
# exactly as the installed tavo-track does (the first six MOTChallenge
# columns, the same preset and seed), and that it refuses bad arguments.
#   install_example_test.sh BUILD_DIR EXAMPLES_DIR SOURCE_DIR VIDEO
set -uo pipefail
build=$(realpath "$1") examples=$(realpath "$2") source=$(realpath "$3") video=$(realpath "$4")

fail() { echo "FAIL: $*" >&2; exit 1; }
note() { echo "-- $*"; }

work=$(mktemp -d "${TMPDIR:-/tmp}/tavo-install.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
prefix=$work/prefix

note "installing $build into $prefix"
cmake --install "$build" --prefix "$prefix" >install.log 2>&1 || fail "cmake --install failed: $(cat install.log)"
config=$(find "$prefix" -name tavoConfig.cmake)
[ -n "$config" ] || fail "no tavoConfig.cmake under $prefix"
# Nothing installed may point back into the sources or the build.
if grep -rlF -e "$source" -e "$build" "$(dirname "$config")"; then
  fail "the installed package refers to the source or build directory"
fi
[ -x "$prefix/bin/tavo-track" ] || fail "tavo-track is not installed in $prefix/bin"
[ -x "$prefix/bin/tavo-eval" ] || fail "tavo-eval is not installed in $prefix/bin"
"$prefix/bin/tavo-eval" --help >eval-help.txt 2>&1 || fail "the installed tavo-eval --help failed: $(cat eval-help.txt)"

note "building examples/ against the prefix"
cmake -S "$examples" -B example -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  >configure.log 2>&1 || fail "configuring examples/ failed: $(cat configure.log)"
found=$(sed -n 's/^tavo_DIR:PATH=//p' example/CMakeCache.txt)
[ "$found" = "$(dirname "$config")" ] || fail "find_package(tavo) found $found, not the package in $prefix"
cmake --build example >build.log 2>&1 || fail "building examples/ failed: $(cat build.log)"
example=$work/example/track_video

boxes=(136,261,18,18 216,231,18,18 259,157,18,18 244,74,18,18 178,19,18,18
       94,19,18,18 28,74,18,18 13,157,18,18 56,231,18,18)

note "track_video and tavo-track on $video"
"$example" "$video" "${boxes[@]}" >example.txt 2>example.err ||
  fail "track_video exited with status $?: $(cat example.err)"
[ ! -s example.err ] || fail "track_video wrote to stderr: $(cat example.err)"
box_options=()
for box in "${boxes[@]}"; do box_options+=(--box "$box"); done
"$prefix/bin/tavo-track" "$video" "${box_options[@]}" --robust --seed 1 -q --mot m.txt 2>track.err ||
  fail "tavo-track exited with status $?: $(cat track.err)"
cut -d, -f1-6 m.txt >expected.txt
[ -s expected.txt ] || fail "tavo-track wrote no tracks"
[ "$(head -1 example.txt | cut -d, -f1-2)" = 1,1 ] || fail "the first line is not frame 1, target 1: $(head -1 example.txt)"
diff expected.txt example.txt >diff.txt ||
  fail "track_video differs from tavo-track ($(wc -l <example.txt) against $(wc -l <expected.txt) lines): $(head -20 diff.txt)"
note "$(wc -l <example.txt) lines equal"

# check_refused STATUS ARGS...: track_video exits with STATUS, says why on
# stderr and prints nothing.
check_refused() {
  local expected=$1
  shift
  "$example" "$@" >out 2>err
  local status=$?
  [ "$status" = "$expected" ] || fail "track_video $*: exit status $status, expected $expected"
  [ -s err ] || fail "track_video $*: nothing on stderr"
  [ ! -s out ] || fail "track_video $*: printed $(head -3 out)"
}
check_refused 2
check_refused 2 "$video"
check_refused 2 "$video" 136,261,18
check_refused 2 "$video" 136,261,18,18x
check_refused 1 "$work/missing.avi" 136,261,18,18
check_refused 1 "$video" 400,400,18,18
note "bad arguments refused"
