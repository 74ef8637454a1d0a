#!/usr/bin/env bash
# Builds and runs every test suite: native under AddressSanitizer + UndefinedBehaviorSanitizer,
# the concurrency programs under ThreadSanitizer, and the Windows cross build under Wine.
# Ends with one line "N passed, N failed" summed over all runs; exits non-zero when a test
# fails or a build breaks.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
jobs=${JOBS:-$(nproc)}
passed=0
failed=0
broken=()

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}
export WINEDEBUG=-all
export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}

# xml_count FILE ATTRIBUTE: an attribute of the <testsuites> element of a GoogleTest report.
xml_count() {
  grep -m1 -o "<testsuites [^>]*" "$1" | grep -o " $2=\"[0-9]*\"" | grep -o '[0-9]*' || echo 0
}

# run_suite NAME DIR CONFIGURE-ARGS... : configure, build, run CTest and add up the results.
run_suite() {
  local name=$1 dir=$2
  shift 2
  echo "=== $name: configure and build ($dir)"
  if ! cmake -S "$root" -B "$dir" -G Ninja -DHV_WERROR=ON "$@" >"$dir.configure.log" 2>&1; then
    cat "$dir.configure.log"
    broken+=("$name (configure)")
    failed=$((failed + 1))
    return
  fi
  if ! cmake --build "$dir" -j "$jobs"; then
    broken+=("$name (build)")
    failed=$((failed + 1))
    return
  fi
  echo "=== $name: run"
  rm -rf "$dir/results"
  mkdir -p "$dir/results"
  (cd "$dir" && ctest --output-on-failure --timeout 900 "${CTEST_ARGS[@]}")
  local programs
  programs=$(cd "$dir" && ctest -N "${CTEST_ARGS[@]}" | sed -n 's/^ *Test *#[0-9]*: //p')
  local failed_log="$dir/Testing/Temporary/LastTestsFailed.log"
  for program in $programs; do
    local xml="$dir/results/$program.xml" tests=0 failures=0 errors=0 disabled=0 skipped=0
    if [ -s "$xml" ]; then
      tests=$(xml_count "$xml" tests)
      failures=$(xml_count "$xml" failures)
      errors=$(xml_count "$xml" errors)
      disabled=$(xml_count "$xml" disabled)
      skipped=$(grep -c 'result="skipped"' "$xml" || true)
    fi
    local good=$((tests - failures - errors - disabled - skipped))
    [ "$good" -lt 0 ] && good=0
    local bad=$((failures + errors))
    # A program that crashed, leaked or failed after writing its report still counts once.
    if [ "$bad" -eq 0 ] && [ -f "$failed_log" ] && grep -q ":$program\$" "$failed_log"; then
      bad=1
    fi
    if [ ! -s "$xml" ] && [ "$bad" -eq 0 ]; then bad=1; fi
    echo "    $name/$program: $good passed, $bad failed"
    passed=$((passed + good))
    failed=$((failed + bad))
  done
}

# run_examples NAME DIR CONFIGURE-ARGS... : installs the build in DIR, builds the examples
# against the installed package as a user's project would, and runs them (one test each).
run_examples() {
  local name=$1 dir=$2
  shift 2
  [ -d "$dir" ] || return
  echo "=== $name: examples against the installed package"
  rm -rf "$dir/install" "$dir/examples"
  if ! cmake --install "$dir" --prefix "$dir/install" >"$dir/install.log" 2>&1 ||
    ! cmake -S "$root/examples" -B "$dir/examples" -G Ninja -DCMAKE_PREFIX_PATH="$dir/install" \
      "$@" >"$dir/examples.configure.log" 2>&1 ||
    ! cmake --build "$dir/examples" -j "$jobs"; then
    cat "$dir/install.log" "$dir/examples.configure.log" 2>/dev/null | tail -30
    broken+=("$name (examples against the installed package)")
    failed=$((failed + 1))
    return
  fi
  (cd "$dir/examples" && ctest --output-on-failure --timeout 300)
  local total bad=0
  total=$(cd "$dir/examples" && ctest -N | sed -n 's/^Total Tests: //p')
  local failed_log="$dir/examples/Testing/Temporary/LastTestsFailed.log"
  [ -f "$failed_log" ] && bad=$(grep -c . "$failed_log")
  echo "    $name/examples: $((total - bad)) passed, $bad failed"
  passed=$((passed + total - bad))
  failed=$((failed + bad))
}

mkdir -p "$build"
CTEST_ARGS=()
run_suite native "$build/asan" -DCMAKE_BUILD_TYPE=Debug -DHV_SANITIZE=address,undefined
run_examples native "$build/asan" -DCMAKE_BUILD_TYPE=Debug \
  "-DCMAKE_CXX_FLAGS=-fsanitize=address,undefined -Wall -Wextra -Wpedantic -Werror"
CTEST_ARGS=(-L concurrency)
run_suite tsan "$build/tsan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHV_SANITIZE=thread \
  -DHV_CONCURRENCY_TESTS_ONLY=ON
CTEST_ARGS=()
run_suite windows "$build/win" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake"
run_examples windows "$build/win" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DCMAKE_EXE_LINKER_FLAGS=-static \
  "-DCMAKE_CXX_FLAGS=-Wall -Wextra -Wpedantic -Werror"

for what in "${broken[@]+"${broken[@]}"}"; do echo "BROKEN: $what"; done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
