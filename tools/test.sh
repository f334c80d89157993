#!/usr/bin/env bash
# Sets TAVO up (tools/setup.sh) and runs every test:
#   1. all tests of the build in build/ (unit, command-line, leak, fuzz and
#      the end-to-end tests, which start their own Xvfb servers);
#   2. the unit and command-line tests again in build-asan/, built with
#      AddressSanitizer and UndefinedBehaviorSanitizer (Debug).
# Both stages always run; the exit status is non-zero if either fails.
set -euo pipefail

cd "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/.."
tools/setup.sh

failed=()

echo "== stage 1: all tests (build/)"
start=$SECONDS
ctest --test-dir build --output-on-failure -j2 || failed+=("tests in build/")
echo "== stage 1 took $((SECONDS - start)) s"

echo "== stage 2: unit tests with AddressSanitizer and UBSan (build-asan/)"
start=$SECONDS
if cmake -S . -B build-asan -DTAVO_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug &&
   cmake --build build-asan -j2; then
  echo "== sanitizer build took $((SECONDS - start)) s"
  start=$SECONDS
  # Opening a file that FFmpeg cannot read lets OpenCV try its other
  # backends, among them gphoto2, whose camera detection (libgphoto2 and
  # the port drivers it loads and unloads) leaks.  Those leaks are not ours:
  # they are suppressed by library, which needs full stacks at allocation.
  printf '%s\n' 'leak:libgphoto2.so' 'leak:libgphoto2_port.so' >build-asan/lsan.supp
  ASAN_OPTIONS=fast_unwind_on_malloc=0 \
  LSAN_OPTIONS="suppressions=$PWD/build-asan/lsan.supp:print_suppressions=0" \
  ctest --test-dir build-asan --output-on-failure -j2 -LE 'e2e|fuzz' ||
    failed+=("sanitizer tests in build-asan/")
  echo "== sanitizer tests took $((SECONDS - start)) s"
else
  failed+=("sanitizer build in build-asan/")
fi

if [ ${#failed[@]} -gt 0 ]; then
  printf 'FAILED: %s\n' "${failed[@]}" >&2
  exit 1
fi
echo "== all tests passed"
