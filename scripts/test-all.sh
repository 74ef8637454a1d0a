#!/usr/bin/env bash
# Builds and runs every test suite: native under AddressSanitizer + UndefinedBehaviorSanitizer,
# the concurrency programs under ThreadSanitizer, and the Windows cross build under Wine; then
# the ways a user takes the library (installed package, pkg-config line, add_subdirectory,
# FetchContent). Prints the skipped tests per program and ends with one line
# "N passed, N failed, N skipped" summed over all runs. Exits non-zero when a test fails, a
# build breaks, an expected program is missing or ran no test, or an unknown one appears.
#
# Environment: BUILD_DIR, JOBS; HV_CORPUS_DIR (the real-world texts, by default the folder
# beside the checkout); HV_REQUIRE_CORPUS=ON turns an absent corpus into failures (CI).
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
jobs=${JOBS:-$(nproc)}
passed=0
failed=0
skipped=0
broken=()

# The programs each run must report come from a fixed list, not from the build, so that a
# folder dropped from the build shows up as missing.
all_programs=$(sed -n 's/^\(hv[A-Za-z0-9]*\).*/\1/p' "$root/scripts/test-programs.txt")
windows_programs=$(sed -n '/ native/!s/^\(hv[A-Za-z0-9]*\).*/\1/p' "$root/scripts/test-programs.txt")
concurrency_programs=$(sed -n 's/^\(hv[A-Za-z0-9]*\) .*concurrency.*/\1/p' \
  "$root/scripts/test-programs.txt")

# Nothing inherited may narrow what the programs run: a filter or a shard setting makes them
# pass with no test run.
for variable in $(env | sed -n 's/^\(\(GTEST\|TESTBRIDGE\)_[A-Za-z0-9_]*\)=.*/\1/p'); do
  unset "$variable"
done

# The corpus location and rule are fixed at configure time; the run-time overrides are cleared
# because a POSIX path would not read under Wine.
corpus_dir=${HV_CORPUS_DIR:-$root/../shared/corpus}
corpus_dir=$(cd "$corpus_dir" 2>/dev/null && pwd || echo "$corpus_dir")
require_corpus=${HV_REQUIRE_CORPUS:-OFF}
unset HV_CORPUS_DIR HV_REQUIRE_CORPUS

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}
export WINEDEBUG=-all
export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}

# The builds share most sources and flags: ccache, when present, compiles each file once.
if command -v ccache >/dev/null; then
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
fi
windows_toolchain=-DCMAKE_TOOLCHAIN_FILE=$root/cmake/mingw-w64-x86_64.cmake

fail() {
  broken+=("$1")
  failed=$((failed + 1))
}

# xml_count FILE ATTRIBUTE: an attribute of the <testsuites> element of a GoogleTest report.
xml_count() {
  grep -m1 -o "<testsuites [^>]*" "$1" | grep -o " $2=\"[0-9]*\"" | grep -o '[0-9]*' || echo 0
}

# xml_skips FILE: one line "Suite.Test: reason" per skipped test of a GoogleTest report.
xml_skips() {
  awk '
    function attribute(line, name,   value) {
      if (!match(line, " " name "=\"[^\"]*\"")) return ""
      value = substr(line, RSTART + length(name) + 3, RLENGTH - length(name) - 4)
      gsub(/&quot;/, "\"", value); gsub(/&apos;/, "'\''", value)
      gsub(/&lt;/, "<", value); gsub(/&gt;/, ">", value); gsub(/&amp;/, "\\&", value)
      return value
    }
    /<testcase / && /result="skipped"/ {
      test = attribute($0, "classname") "." attribute($0, "name"); reason = ""; open = 1
      if ($0 ~ /\/>[[:space:]]*$/) { print test; open = 0 }
      next
    }
    open && /<skipped/ {
      reason = attribute($0, "message"); sub(/^.*&#x0A;/, "", reason)
      print test ": " (reason == "" ? "no reason given" : reason); open = 0
    }
    open && /<\/testcase>/ { print test; open = 0 }
  ' "$1"
}

# run_suite NAME DIR EXPECTED CONFIGURE-ARGS... : configure (tests always on), build, run
# CTest and add up the results of the EXPECTED programs.
run_suite() {
  local name=$1 dir=$2 expected=$3
  shift 3
  echo "=== $name: configure and build ($dir)"
  mkdir -p "$dir"
  if ! cmake -S "$root" -B "$dir" -G Ninja -DHV_WERROR=ON -DHV_TESTS=ON \
    "-DHV_CORPUS_DIR=$corpus_dir" "-DHV_REQUIRE_CORPUS=$require_corpus" \
    "$@" >"$dir.configure.log" 2>&1; then
    cat "$dir.configure.log"
    fail "$name (configure)"
    return
  fi
  if ! cmake --build "$dir" -j "$jobs"; then
    fail "$name (build)"
    return
  fi
  echo "=== $name: run"
  # CTest leaves its list of failed tests in place after a clean run: an old list would count
  # again.
  rm -rf "$dir/results" "$dir/Testing/Temporary/LastTestsFailed.log"
  mkdir -p "$dir/results"
  (cd "$dir" && ctest --output-on-failure --timeout 900 "${CTEST_ARGS[@]}")
  local registered
  registered=$(cd "$dir" && ctest -N "${CTEST_ARGS[@]}" | sed -n 's/^ *Test *#[0-9]*: //p')
  local program
  for program in $registered; do
    if ! grep -qw -- "$program" <<<"$expected"; then
      echo "    $name/$program: not in the runner's list of programs"
      fail "$name/$program (unexpected program: add it to scripts/test-programs.txt)"
    fi
  done
  local failed_log="$dir/Testing/Temporary/LastTestsFailed.log"
  for program in $expected; do
    if ! grep -qx -- "$program" <<<"$registered"; then
      echo "    $name/$program: missing"
      fail "$name/$program (missing)"
      continue
    fi
    local xml="$dir/results/$program.xml" tests=0 failures=0 errors=0 disabled=0 skips=0
    if [ -s "$xml" ]; then
      tests=$(xml_count "$xml" tests)
      failures=$(xml_count "$xml" failures)
      errors=$(xml_count "$xml" errors)
      disabled=$(xml_count "$xml" disabled)
      skips=$(grep -c 'result="skipped"' "$xml" || true)
    fi
    local good=$((tests - failures - errors - disabled - skips))
    [ "$good" -lt 0 ] && good=0
    local bad=$((failures + errors)) note=""
    # A program that crashed, leaked or failed after writing its report still counts once.
    if [ "$bad" -eq 0 ] && [ -f "$failed_log" ] && grep -q ":$program\$" "$failed_log"; then
      bad=1
    fi
    if [ ! -s "$xml" ]; then
      [ "$bad" -eq 0 ] && bad=1
      note=" (no report)"
    elif [ $((tests - disabled)) -le 0 ]; then
      bad=$((bad + 1))
      note=" (ran no test)"
    fi
    echo "    $name/$program: $good passed, $bad failed, $skips skipped$note"
    if [ "$skips" -gt 0 ]; then
      xml_skips "$xml" | sed 's/^/      skipped: /'
    fi
    [ "$bad" -gt 0 ] && broken+=("$name/$program$note")
    passed=$((passed + good))
    failed=$((failed + bad))
    skipped=$((skipped + skips))
  done
}

# run_ctest NAME DIR: runs a user-side project's tests and adds them up (one test each).
run_ctest() {
  local name=$1 dir=$2
  rm -f "$dir/Testing/Temporary/LastTestsFailed.log"
  (cd "$dir" && ctest --output-on-failure --timeout 300)
  local total bad=0
  total=$(cd "$dir" && ctest -N | sed -n 's/^Total Tests: //p')
  local failed_log="$dir/Testing/Temporary/LastTestsFailed.log"
  [ -f "$failed_log" ] && bad=$(grep -c . "$failed_log")
  if [ "${total:-0}" -eq 0 ]; then
    bad=1
  fi
  echo "    $name: $((total - bad)) passed, $bad failed"
  [ "$bad" -gt 0 ] && broken+=("$name")
  passed=$((passed + total - bad))
  failed=$((failed + bad))
}

# run_examples NAME DIR CONFIGURE-ARGS... : installs the build in DIR, builds the examples
# against the installed package as a user's project would, and runs them.
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
    fail "$name (examples against the installed package)"
    return
  fi
  run_ctest "$name/examples" "$dir/examples"
}

# run_embedded NAME DIR CONFIGURE-ARGS... : a user's project that builds the library from its
# sources, once through add_subdirectory and once through FetchContent, and runs an example.
run_embedded() {
  local name=$1 dir=$2
  shift 2
  local way
  mkdir -p "$dir"
  for way in subdirectory fetchcontent; do
    echo "=== $name: the library inside a user's project ($way)"
    rm -rf "$dir/$way"
    if ! cmake -S "$root/tests/embed" -B "$dir/$way" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DHV_WERROR=ON "-DHV_EMBED_WITH=$way" "-DHV_EMBED_SOURCE=$root" "$@" \
      >"$dir/$way.configure.log" 2>&1 || ! cmake --build "$dir/$way" -j "$jobs"; then
      tail -30 "$dir/$way.configure.log"
      fail "$name/$way (build)"
      continue
    fi
    run_ctest "$name/$way" "$dir/$way"
  done
}

# run_pkgconfig NAME DIR : the README's recipe as written: `make` builds a release into
# DIR/release, `cmake --install ... --prefix` puts it in a folder of its own, and the compiler
# line with pkg-config builds a program that then runs.
run_pkgconfig() {
  local name=$1 dir=$2 prefix=$2/opt/hv
  echo "=== $name: installed with --prefix, program built with the pkg-config line"
  rm -rf "$dir/opt" "$dir/pkgconfig-app"
  if ! make -C "$root" --no-print-directory BUILD="$build" JOBS="$jobs" all >"$dir/pkgconfig.make.log" 2>&1 ||
    ! cmake --install "$dir/release" --prefix "$prefix" >"$dir/pkgconfig.install.log" 2>&1; then
    tail -30 "$dir/pkgconfig.make.log" "$dir/pkgconfig.install.log" 2>/dev/null
    fail "$name (make and install)"
    return
  fi
  local bad=0
  # shellcheck disable=SC2046 # the pkg-config output is a list of words by design
  if ! g++ "$root/examples/player_pull.cpp" -o "$dir/pkgconfig-app" \
    $(PKG_CONFIG_PATH=$prefix/lib/pkgconfig pkg-config --cflags --libs hulvoStreaming) ||
    ! LD_LIBRARY_PATH=$prefix/lib "$dir/pkgconfig-app"; then
    bad=1
    broken+=("$name/pkg-config")
  fi
  echo "    $name/pkg-config: $((1 - bad)) passed, $bad failed"
  passed=$((passed + 1 - bad))
  failed=$((failed + bad))
}

# run_fuzz_smoke NAME DIR : every fuzz target (clang, AddressSanitizer + UndefinedBehaviorSanitizer)
# for FUZZ_SMOKE_SECONDS from its seeds, one test each. Its findings land in DIR/artifacts.
run_fuzz_smoke() {
  local name=$1 dir=$2 seconds=${FUZZ_SMOKE_SECONDS:-20}
  echo "=== $name: every fuzz target for $seconds s from its seeds"
  mkdir -p "$dir"
  if ! CC=clang CXX=clang++ cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DHV_WERROR=ON -DHV_TESTS=OFF -DHV_TOOLS=OFF -DHV_FUZZ=ON -DHV_SANITIZE=address,undefined \
    >"$dir.configure.log" 2>&1 || ! cmake --build "$dir" -j "$jobs"; then
    tail -30 "$dir.configure.log"
    fail "$name (build)"
    return
  fi
  local source target work dict
  for source in "$root"/fuzz/*Fuzz.cpp; do
    target=$(basename "$source" .cpp)
    work=$dir/corpus/$target
    rm -rf "$work"
    mkdir -p "$work" "$dir/artifacts"
    dict=()
    [ -f "$root/fuzz/$target.dict" ] && dict=("-dict=$root/fuzz/$target.dict")
    if [ -x "$dir/bin/$target" ] && "$dir/bin/$target" -max_total_time="$seconds" "${dict[@]}" \
      -artifact_prefix="$dir/artifacts/$target-" "$work" "$root/fuzz/corpus/$target" \
      >"$dir/$target.log" 2>&1; then
      echo "    $name/$target: 1 passed, 0 failed ($(grep -o 'Done [0-9]* runs' "$dir/$target.log"))"
      passed=$((passed + 1))
    else
      tail -40 "$dir/$target.log" 2>/dev/null || echo "    $target was not built"
      echo "    $name/$target: 0 passed, 1 failed"
      fail "$name/$target"
    fi
  done
}

# start_http_servers DIR: the HTTP tests' servers for the Windows run, which cannot start
# native programs: lighttpd (from the tests' own configuration), Python's http.server and the
# fault server, each on a free loopback port, all serving DIR/root. The test programs make
# their temporary folders there and name them in their URLs. Exports what they read:
# HV_TEST_HTTP_SERVERS, HV_TEST_HTTP_ROOT and HV_TEST_HTTP_ACCESS_LOG (Wine paths).
http_server_pids=()
start_http_servers() {
  local dir=$1 kind port config attempt python=python3
  # Debian's interpreter starts at once; a version manager's shim can take seconds.
  [ -x /usr/bin/python3 ] && python=/usr/bin/python3
  rm -rf "$dir"
  mkdir -p "$dir/root"
  config=$dir/lighttpd.conf
  local servers=""
  for kind in lighttpd plain faults; do
    for attempt in 1 2 3 4 5; do
      port=$("$python" -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
      case $kind in
        lighttpd)
          sed -e "s|@ROOT@|$dir/root|g" -e "s|@PORT@|$port|g" -e "s|@CONF@|$config|g" \
            -e 's|@PREFIX@|/[^/]+|g' "$root/tests/http/hvHttpServers.lighttpd.conf" >"$config"
          /usr/sbin/lighttpd -D -f "$config" >/dev/null 2>&1 &
          ;;
        plain) "$python" -m http.server "$port" --bind 127.0.0.1 --directory "$dir/root" \
          >/dev/null 2>&1 & ;;
        faults) "$python" "$root/tests/http/hvHttpFaultServer.py" "$port" "$dir/root" \
          >/dev/null 2>&1 & ;;
      esac
      local pid=$! answered=0 try
      for try in $(seq 100); do
        kill -0 "$pid" 2>/dev/null || break  # it gave up (port taken)
        if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
          answered=1
          break
        fi
        sleep 0.05
      done
      if [ "$answered" -eq 1 ]; then
        http_server_pids+=("$pid")
        servers="$servers${servers:+,}$kind=$port"
        break
      fi
      kill "$pid" 2>/dev/null
      wait "$pid" 2>/dev/null
    done
  done
  echo "=== HTTP servers for the Windows run: $servers"
  export HV_TEST_HTTP_SERVERS=$servers HV_TEST_HTTP_ROOT=Z:$dir/root
  export HV_TEST_HTTP_ACCESS_LOG=Z:$config.access
}

stop_http_servers() {
  local pid
  for pid in "${http_server_pids[@]+"${http_server_pids[@]}"}"; do
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  http_server_pids=()
  unset HV_TEST_HTTP_SERVERS HV_TEST_HTTP_ROOT HV_TEST_HTTP_ACCESS_LOG
}
trap stop_http_servers EXIT

mkdir -p "$build"
CTEST_ARGS=()
run_suite native "$build/asan" "$all_programs" -DCMAKE_BUILD_TYPE=Debug \
  -DHV_SANITIZE=address,undefined
run_examples native "$build/asan" -DCMAKE_BUILD_TYPE=Debug \
  "-DCMAKE_CXX_FLAGS=-fsanitize=address,undefined -Wall -Wextra -Wpedantic -Werror"
run_pkgconfig native "$build"
run_embedded native "$build/embed"
CTEST_ARGS=(-L concurrency)
run_suite tsan "$build/tsan" "$concurrency_programs" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DHV_SANITIZE=thread -DHV_CONCURRENCY_TESTS_ONLY=ON
CTEST_ARGS=()
start_http_servers "$build/win-http"
run_suite windows "$build/win" "$windows_programs" -DCMAKE_BUILD_TYPE=Release "$windows_toolchain"
stop_http_servers
run_examples windows "$build/win" -DCMAKE_BUILD_TYPE=Release "$windows_toolchain" \
  -DCMAKE_EXE_LINKER_FLAGS=-static "-DCMAKE_CXX_FLAGS=-Wall -Wextra -Wpedantic -Werror"
run_embedded windows "$build/win-embed" "$windows_toolchain" -DCMAKE_EXE_LINKER_FLAGS=-static
run_fuzz_smoke fuzz "$build/fuzz-smoke"

for what in "${broken[@]+"${broken[@]}"}"; do echo "FAILED: $what"; done
echo "$passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
