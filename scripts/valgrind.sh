#!/usr/bin/env bash
# Runs every Linux test program of scripts/test-programs.txt under Valgrind's memcheck, from a
# build without sanitizers (they cannot share a process with Valgrind). A program fails on
# any memory error or definite leak as well as on a failed test. Ends with one line
# "N passed, N failed" counting programs.
set -u
. "$(dirname "$0")/common.sh"
dir=$build/valgrind

configure "$dir" -DCMAKE_BUILD_TYPE=Debug -DHV_WERROR=ON -DHV_TESTS=ON -DHV_SANITIZE= || exit 1
cmake --build "$dir" -j "$jobs" || exit 1

for program in $(test_programs); do
  echo "=== $program"
  # Memcheck puts its own operator new in place of the program's, so the allocation counters'
  # self-check cannot see one there; the allocation cases themselves skip on their own.
  filter=
  [ "$program" = hvBufferAllocationTests ] &&
    filter=--gtest_filter=-SteadyStateAllocationTest.CountersSeeAllocations
  # Death tests run their cases in child processes outside Valgrind; what they check is the
  # exit itself, and the program that starts them stays under memcheck.
  counted "$program" "$dir/$program.log" valgrind --quiet --error-exitcode=99 --leak-check=full \
    --errors-for-leak-kinds=definite,indirect --show-leak-kinds=definite,indirect \
    "$dir/bin/$program" $filter
done
finish
