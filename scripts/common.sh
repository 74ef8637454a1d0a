# Shared by the long runs (soak, coverage, valgrind); sourced, not run.
# Sets root, build and jobs from the checkout, BUILD_DIR and JOBS; clears inherited GoogleTest
# filters and shards (they would make programs pass with no test run); builds with ccache.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BUILD_DIR:-$root/build}
jobs=${JOBS:-$(nproc)}
passed=0
failed=0

for variable in $(env | sed -n 's/^\(\(GTEST\|TESTBRIDGE\)_[A-Za-z0-9_]*\)=.*/\1/p'); do
  unset "$variable"
done
if command -v ccache >/dev/null; then
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
fi

# configure DIR CMAKE_ARGS...: configures quietly, showing the log only when it fails.
configure() {
  local dir=$1
  shift
  mkdir -p "$build"
  cmake -S "$root" -B "$dir" -G Ninja "$@" >"$dir.configure.log" 2>&1 || {
    cat "$dir.configure.log"
    return 1
  }
}

# The test programs of scripts/test-programs.txt.
test_programs() {
  sed -n 's/^\(hv[A-Za-z0-9]*\).*/\1/p' "$root/scripts/test-programs.txt"
}

# counted NAME LOG COMMAND...: runs the command into LOG and counts it as passed or failed;
# a failure shows the end of the log.
counted() {
  local name=$1 log=$2
  shift 2
  if "$@" >"$log" 2>&1; then
    echo "    $name: passed"
    passed=$((passed + 1))
  else
    tail -60 "$log"
    echo "    $name: FAILED (log: $log)"
    failed=$((failed + 1))
  fi
}

# Ends the script with "N passed, N failed"; non-zero unless something ran and all passed.
finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
}
