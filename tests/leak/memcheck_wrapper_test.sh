#!/usr/bin/env bash
# The leak check's wrapper (memcheck.sh) on tiny programs: a program that
# valgrind cannot run on the processor is skipped with the reason, while a
# leak, the program's own illegal instruction and a crash still fail, and a
# clean program passes.
#   memcheck_wrapper_test.sh WRAPPER SUBJECT VALGRIND [OPTIONS...]
set -uo pipefail
wrapper=$1 subject=$2
shift 2
memcheck=("$@")

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# check KIND EXPECTED_STATUS: runs the subject KIND under the wrapper; sets
# `out` to its stdout.
check() {
  local status
  out=$("$wrapper" "${memcheck[@]}" "$subject" "$1" 2>/dev/null)
  status=$?
  [ "$status" = "$2" ] || fail "$1: exit status $status, expected $2 (stdout: $out)"
}

check clean 0
[ -z "$out" ] || fail "clean: printed $out"

check leak 99  # memcheck's --error-exitcode

check trap 132  # SIGILL, a failure: valgrind ran the program faithfully
[[ $out != SKIP* ]] || fail "trap: the program's own illegal instruction was taken for valgrind's limit"

check unknown-instruction 77
[[ $out =~ ^SKIP:\ valgrind-[0-9.]+\ cannot\ execute\ an\ instruction.*bytes\ 0x62\ 0xF1 ]] ||
  fail "unknown-instruction: no reason given: $out"
echo "unknown-instruction gives: $out"

[ "$failures" = 0 ] || exit 1
echo "ok: a processor valgrind cannot run on skips the check, leaks and traps still fail"
