#!/usr/bin/env bash
# Runs a program under valgrind and tells the leak check's outcome apart
# from valgrind's own limits:
#   memcheck.sh VALGRIND [VALGRIND OPTIONS...] PROGRAM [ARGS...]
# The exit status is valgrind's (memcheck's error exit code for a leak or a
# memory error, the program's own otherwise), except when valgrind cannot
# execute an instruction that the program or a library it loads uses on
# this processor (valgrind 3.19 on some AMD EPYC processors, for one): the
# program then dies of the SIGILL valgrind raises, which says nothing about
# its memory, so the check is skipped with the reason (exit status 77,
# "SKIP: ..." on stdout).  Skipped only when valgrind reports the unhandled
# instruction itself: an illegal instruction the program executes on its
# own (a trap, ud2) is decoded by valgrind and stays a failure.
#
# valgrind's report goes to stderr, after the run.
set -uo pipefail

[ $# -ge 2 ] || { echo "usage: $0 VALGRIND [OPTIONS...] PROGRAM [ARGS...]" >&2; exit 2; }

# Exit status of a process ended by SIGILL, as the shell reports it.
readonly KILLED_BY_SIGILL=$((128 + 4))
# ctest's SKIP_RETURN_CODE for these tests.
readonly SKIPPED=77
# What valgrind's instruction decoder prints for an instruction it cannot
# translate, and what the core prints when the SIGILL it then raises ends
# the program.
readonly UNHANDLED='^vex [a-z0-9]+->IR: unhandled instruction bytes: '
readonly ENDED_BY_SIGILL='Process terminating with default action of signal 4 \(SIGILL\)'

log=$(mktemp "${TMPDIR:-/tmp}/tavo-memcheck.XXXXXX") || exit 1
trap 'rm -f "$log"' EXIT

valgrind=$1
shift
"$valgrind" --log-file="$log" "$@"
status=$?
cat "$log" >&2

if [ "$status" = "$KILLED_BY_SIGILL" ] && grep -Eq "$UNHANDLED" "$log" && grep -Eq "$ENDED_BY_SIGILL" "$log"; then
  bytes=$(grep -Em1 "$UNHANDLED" "$log" | sed -E "s/$UNHANDLED//")
  where=$(grep -Em1 -A1 'valgrind: Unrecognised instruction at address' "$log" | tail -n 1 | sed -E 's/^==[0-9]+== +//')
  echo "SKIP: $("$valgrind" --version) cannot execute an instruction used on this processor" \
    "(bytes $bytes; $where): the program died of the SIGILL it raised, so its memory was not checked"
  exit "$SKIPPED"
fi
exit "$status"
