#!/usr/bin/env bash
# Line and branch coverage of the library's own code: a gcc build with --coverage in its own
# folder, every native test program of scripts/test-programs.txt run once, then gcovr's
# summary over stream/, buffer/, engine/, seek/, dlna/, support/, net/ and platform/ (not the
# tests, the tool or GoogleTest): the per-file table, lowest coverage last, and the totals.
# Counters are updated atomically: the stress tests run the same lines on several threads,
# and plain counters lose updates (gcov then reports negative branch counts).
# Exits non-zero when the build breaks or a test program fails.
set -u
. "$(dirname "$0")/common.sh"
dir=$build/coverage

CC=gcc CXX=g++ configure "$dir" -DCMAKE_BUILD_TYPE=Debug -DHV_TESTS=ON -DHV_SANITIZE= \
  "-DCMAKE_CXX_FLAGS=--coverage -O0 -fprofile-update=atomic" \
  "-DCMAKE_C_FLAGS=--coverage -O0 -fprofile-update=atomic" \
  -DCMAKE_EXE_LINKER_FLAGS=--coverage -DCMAKE_SHARED_LINKER_FLAGS=--coverage || exit 1
cmake --build "$dir" -j "$jobs" || exit 1

# Counts from an earlier run would add up with this one.
find "$dir" -name '*.gcda' -delete
for program in $(test_programs); do
  echo "=== $program"
  counted "$program" "$dir/$program.log" "$dir/bin/$program"
done

filters=()
for folder in stream buffer engine seek dlna support net platform; do
  filters+=(--filter "$root/$folder/")
done
gcovr --root "$root" "${filters[@]}" --object-directory "$dir" --exclude-unreachable-branches \
  --exclude-throw-branches --sort-percentage --print-summary --gcov-ignore-parse-errors \
  -j "$jobs" "$dir" || exit 1
finish
