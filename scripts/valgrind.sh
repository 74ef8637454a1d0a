#!/usr/bin/env bash
# Runs every Linux test program of scripts/test-programs.txt under Valgrind's memcheck, from a
# build without sanitizers (they cannot share a process with Valgrind). A program fails on
# any memory error or definite leak as well as on a failed test. Ends with one line
# "N passed, N failed" counting programs.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
jobs=${JOBS:-$(nproc)}
dir=$build/valgrind

for variable in $(env | sed -n 's/^\(\(GTEST\|TESTBRIDGE\)_[A-Za-z0-9_]*\)=.*/\1/p'); do
  unset "$variable"
done
if command -v ccache >/dev/null; then
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
fi
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DHV_WERROR=ON -DHV_TESTS=ON \
  -DHV_SANITIZE= >"$dir.configure.log" 2>&1 || {
  cat "$dir.configure.log"
  exit 1
}
cmake --build "$dir" -j "$jobs" || exit 1

passed=0
failed=0
for program in $(sed -n 's/^\(hv[A-Za-z0-9]*\).*/\1/p' "$root/scripts/test-programs.txt"); do
  echo "=== $program"
  # Death tests run their cases in child processes outside Valgrind; what they check is the
  # exit itself, and the program that starts them stays under memcheck.
  if valgrind --quiet --error-exitcode=99 --leak-check=full \
    --errors-for-leak-kinds=definite,indirect --show-leak-kinds=definite,indirect \
    "$dir/bin/$program" >"$dir/$program.log" 2>&1; then
    echo "    $program: passed"
    passed=$((passed + 1))
  else
    tail -60 "$dir/$program.log"
    echo "    $program: FAILED (log: $dir/$program.log)"
    failed=$((failed + 1))
  fi
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
