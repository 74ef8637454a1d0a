#!/usr/bin/env bash
# Line and branch coverage of the library's own code: a gcc build with --coverage in its own
# folder, every native test program of scripts/test-programs.txt run once, then gcovr's
# summary over include/, stream/, buffer/, engine/, seek/, dlna/, support/, net/ and platform/
# (not the tests, the tool or GoogleTest): the per-file table, lowest coverage last, and the
# totals. A library source missing from the report (gcovr skips what it cannot read) is
# listed and fails the run. HV_COVERAGE_FLUSH lets the fatal-error death tests write their
# counts before the library's _Exit.
# Counters are updated atomically: the stress tests run the same lines on several threads,
# and plain counters lose updates (gcov then reports negative branch counts).
# Exits non-zero when the build breaks or a test program fails.
set -u
. "$(dirname "$0")/common.sh"
dir=$build/coverage

CC=gcc CXX=g++ configure "$dir" -DCMAKE_BUILD_TYPE=Debug -DHV_TESTS=ON -DHV_SANITIZE= \
  "-DCMAKE_CXX_FLAGS=--coverage -O0 -fprofile-update=atomic -DHV_COVERAGE_FLUSH" \
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
folders="include stream buffer engine seek dlna support net platform"
for folder in $folders; do
  filters+=(--filter "$root/$folder/")
done
summary=$dir/coverage-summary.json
gcovr --root "$root" "${filters[@]}" --object-directory "$dir" --exclude-unreachable-branches \
  --exclude-throw-branches --sort-percentage --print-summary --gcov-ignore-parse-errors \
  --txt --json-summary "$summary" -j "$jobs" "$dir" || exit 1

# Every source the native build compiles must be in the report, with or without coverage.
# shellcheck disable=SC2086
missing=$(cd "$root" && find $folders -name '*.cpp' -not -path '*/win32/*' | sort |
  python3 -c 'import json, sys
reported = {f["filename"] for f in json.load(open(sys.argv[1]))["files"]}
print("\n".join(line for line in sys.stdin.read().split() if line not in reported))' "$summary")
if [ -n "$missing" ]; then
  echo "sources missing from the report:"
  printf '    %s\n' $missing
  failed=$((failed + 1))
fi
finish
