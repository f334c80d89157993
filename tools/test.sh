#!/usr/bin/env bash
# Sets TAVO up (tools/setup.sh) and runs every test:
#   1. all tests of the build in build/ (unit, command-line, leak, fuzz, the
#      Python module's and the end-to-end tests, which start their own Xvfb
#      servers);
#   2. the unit, command-line and end-to-end tests again in build-asan/,
#      built with AddressSanitizer and UndefinedBehaviorSanitizer (Debug),
#      but for the scored scenes;
#   3. the programs that run sessions and workers side by side (label
#      threads) in build-tsan/, built with ThreadSanitizer (Debug);
#   4. every libFuzzer harness for TAVO_FUZZ_SECONDS seconds (default 30) in
#      build-fuzz/, built with clang.
# All stages always run; the exit status is non-zero if any fails.
set -euo pipefail

cd "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/.."
tools/setup.sh

failed=()

# ctest counts a skipped test without saying why; the tests print the
# reason on a line "SKIP: ...", shown here with the test's name (build
# directory in $1).
show_skip_reasons() {
  awk '/^[0-9]+\/[0-9]+ Test: / { sub(/^[0-9]+\/[0-9]+ Test: /, ""); name = $0 }
       /^SKIP: / { print "skipped: " name ": " substr($0, 7) }' "$1/Testing/Temporary/LastTest.log" 2>/dev/null || true
}

echo "== stage 1: all tests (build/)"
start=$SECONDS
ctest --test-dir build --output-on-failure -j2 || failed+=("tests in build/")
show_skip_reasons build
echo "== stage 1 took $((SECONDS - start)) s"

echo "== stage 2: unit tests with AddressSanitizer and UBSan (build-asan/)"
start=$SECONDS
if cmake -S . -B build-asan -DTAVO_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug &&
   cmake --build build-asan -j2; then
  echo "== sanitizer build took $((SECONDS - start)) s"
  start=$SECONDS
  # The scored scenes (label scenes) give the same figures in every build
  # and take long under the sanitizers: stage 1 runs them.  A sanitized
  # Python module cannot be loaded into Python (label python), nor can a
  # plain program link the sanitized library (label install).  The window
  # tests run here too, the window system libraries' leaks suppressed.
  ctest --test-dir build-asan --output-on-failure -j2 -LE 'install|fuzz|scenes|python' ||
    failed+=("sanitizer tests in build-asan/")
  show_skip_reasons build-asan
  echo "== sanitizer tests took $((SECONDS - start)) s"
else
  failed+=("sanitizer build in build-asan/")
fi

echo "== stage 3: sessions and workers side by side with ThreadSanitizer (build-tsan/)"
start=$SECONDS
if cmake -S . -B build-tsan -DTAVO_TSAN=ON -DCMAKE_BUILD_TYPE=Debug &&
   cmake --build build-tsan -j2 --target parallel_sessions_tests worker_pool_tests; then
  # Only these programs are built here: the other tests are not run.
  ctest --test-dir build-tsan --output-on-failure -L threads ||
    failed+=("thread sanitizer tests in build-tsan/")
else
  failed+=("thread sanitizer build in build-tsan/")
fi
echo "== stage 3 took $((SECONDS - start)) s"

echo "== stage 4: fuzzers, ${TAVO_FUZZ_SECONDS:-30} s each (build-fuzz/)"
start=$SECONDS
tests/fuzz/run_fuzzers.sh "${TAVO_FUZZ_SECONDS:-30}" || failed+=("fuzzers in build-fuzz/")
echo "== stage 4 took $((SECONDS - start)) s"

if [ ${#failed[@]} -gt 0 ]; then
  printf 'FAILED: %s\n' "${failed[@]}" >&2
  exit 1
fi
echo "== all tests passed"
