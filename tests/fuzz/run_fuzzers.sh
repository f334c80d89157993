#!/usr/bin/env bash
# Builds the fuzz harnesses with clang (build directory build-fuzz, library
# and harnesses instrumented with libFuzzer, ASan and UBSan) and runs each
# for SECONDS seconds (default 30) on its committed seeds: the tests of label
# "fuzz" that tests/fuzz/CMakeLists.txt registers, one after the other, each
# with its log in build-fuzz/tests/fuzz/<harness>.log.  New inputs go to
# build-fuzz/tests/fuzz/corpus/<harness>/, crashes to
# build-fuzz/tests/fuzz/artifacts/.  Exit status: 0 when no harness found
# anything, 1 otherwise, 2 when the harnesses cannot be built.
#
# Usage: tests/fuzz/run_fuzzers.sh [SECONDS]
set -u

seconds=${1:-30}
case $seconds in
  ''|*[!0-9]*) echo "usage: $0 [SECONDS]" >&2; exit 2 ;;
esac

root=$(cd "$(dirname "$0")/../.." && pwd)
build=${TAVO_FUZZ_BUILD_DIR:-$root/build-fuzz}
jobs=${TAVO_FUZZ_JOBS:-2}

mkdir -p "$build"
if ! command -v clang++ >/dev/null 2>&1; then
  echo "run_fuzzers: clang++ not found (install clang and libclang-rt-dev)" >&2
  exit 2
fi

# The fuzz command line is the one the harnesses are registered with in
# tests/fuzz/CMakeLists.txt (label "fuzz"); the run time is set here.
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DTAVO_FUZZ=ON -DBUILD_TESTING=ON \
  -DTAVO_FUZZ_SECONDS="$seconds" \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all" \
  >"$build/fuzz-configure.log" 2>&1 || { cat "$build/fuzz-configure.log" >&2; exit 2; }

mapfile -t harnesses < <(ctest --test-dir "$build" -N -L fuzz | sed -n 's/^ *Test *#[0-9]*: *//p')
[ ${#harnesses[@]} -gt 0 ] || { echo "run_fuzzers: no harness configured" >&2; exit 2; }

cmake --build "$build" -j"$jobs" --target "${harnesses[@]}" >"$build/fuzz-build.log" 2>&1 ||
  { tail -40 "$build/fuzz-build.log" >&2; exit 2; }

status=0
for name in "${harnesses[@]}"; do
  log=$build/tests/fuzz/$name.log
  # ctest -V prefixes each line of the harness's output with the test's
  # number.
  ctest --test-dir "$build" -L fuzz -R "^$name\$" --no-tests=error -V 2>&1 |
    sed -E 's/^[0-9]+: //' >"$log"
  rc=${PIPESTATUS[0]}
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  if [ "$rc" -eq 0 ]; then
    echo "run_fuzzers: $name: ok, ${runs:-?} runs, ${rate:-?} exec/s"
  else
    status=1
    # ctest's verdict: Failed, Timeout, Exception: ...
    verdict=$(sed -nE "s/.*Test +#[0-9]+: $name \.* *\*\*\*(.*[^ ]) +[0-9.]+ sec\$/\1/p" "$log" | tail -1)
    echo "run_fuzzers: $name: FAILED (${verdict:-ctest status $rc}) after ${runs:-?} runs; log $log"
    grep -E 'runtime error|ERROR:|^fuzz_[a-z_]+: |^ +#[0-9]+ .* in |Test unit written' "$log" | grep -Ev 'fuzzer::|libc|_start|__sanitizer_print' | head -20
  fi
done
exit $status
