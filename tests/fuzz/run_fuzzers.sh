#!/usr/bin/env bash
# Builds the fuzz harnesses with clang (build directory build-fuzz, library
# and harnesses instrumented with libFuzzer, ASan and UBSan) and runs each
# for SECONDS seconds (default 30) on its committed seeds.  New inputs go to
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

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DTAVO_FUZZ=ON -DBUILD_TESTING=ON \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all" \
  >"$build/fuzz-configure.log" 2>&1 || { cat "$build/fuzz-configure.log" >&2; exit 2; }

targets=$(cmake --build "$build" --target help 2>/dev/null)
harnesses=()
for source in "$root"/tests/fuzz/fuzz_*.cpp; do
  name=$(basename "$source" .cpp)
  # A harness whose library is missing (cli) is not configured: skip it.
  if grep -Eq "(^|[ .])$name(:| |\$)" <<<"$targets"; then
    harnesses+=("$name")
  else
    echo "run_fuzzers: $name not configured in this checkout, skipped"
  fi
done
[ ${#harnesses[@]} -gt 0 ] || { echo "run_fuzzers: no harness configured" >&2; exit 2; }

cmake --build "$build" -j"$jobs" --target "${harnesses[@]}" >"$build/fuzz-build.log" 2>&1 ||
  { tail -40 "$build/fuzz-build.log" >&2; exit 2; }

export UBSAN_OPTIONS=print_stacktrace=1:${UBSAN_OPTIONS:-}
status=0
for name in "${harnesses[@]}"; do
  scratch=$build/tests/fuzz/corpus/$name
  artifacts=$build/tests/fuzz/artifacts
  mkdir -p "$scratch" "$artifacts"
  log=$build/tests/fuzz/$name.log
  "$build/tests/fuzz/$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$artifacts/$name-" \
    "$scratch" "$root/tests/fuzz/corpus/$name" >"$log" 2>&1
  rc=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  if [ $rc -eq 0 ]; then
    echo "run_fuzzers: $name: ok, ${runs:-?} runs, ${rate:-?} exec/s"
  else
    status=1
    echo "run_fuzzers: $name: FAILED (exit $rc) after ${runs:-?} runs; log $log"
    grep -E 'runtime error|ERROR:|^fuzz_[a-z_]+: |^ +#[0-9]+ .* in |Test unit written' "$log" | grep -Ev 'fuzzer::|libc|_start|__sanitizer_print' | head -20
  fi
done
exit $status
