#!/usr/bin/env bash
# The long concurrency run: the stress cases and the fault sweep of the test suite, built under
# ThreadSanitizer, each repeated for its share of SOAK_SECONDS (600 by default) through
# HV_SOAK_SECONDS. Each case prints the rounds and operations it did; the script ends with one
# line "N passed, N failed" counting cases. Shares the build folder of the suite's ThreadSanitizer
# run, so a `make test` before it leaves little to compile.
set -u
. "$(dirname "$0")/common.sh"
dir=$build/tsan
total=${SOAK_SECONDS:-600}
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}

# program:test, one per case.
cases="hvBufferTests:MultiBufferStressTest.SeekDoneNamingThePositionLosesNoSeek
hvBufferTests:MultiBufferStressTest.SeeksAndInterruptionKeepEveryByteWithOwnerCallBacks
hvBufferTests:MultiBufferStressTest.SeeksAndInterruptionKeepEveryByteWithTheBuiltInRetry
hvEngineTests:StreamingEngineTest.AddAndRemoveFromSeveralThreadsAtOnce
hvEngineTests:StreamingEngineStop.AgentsRemovedJustBeforeTerminateAreDisposed
hvStreamTests:ProgressiveDownload.ReaderReceivesTheWholeFileAsItArrives
hvStreamTests:DifferentialReads.EveryReadPathDeliversTheFileBytes
hvStreamTests:FileStreamStress.SeveralReadersAndInterruptersKeepEveryByte
hvStreamTests:FaultSweep.EveryFaultGivesTheFileBytesOrADocumentedStatus
hvProtocolInfoListConcurrencyTests:hvProtocolInfoListConcurrency.InsertMergeWriteAndFindKeepEveryRecordOnce"
count=$(echo "$cases" | wc -l)
share=$((total / count))
[ "$share" -ge 1 ] || share=1

configure "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHV_SANITIZE=thread \
  -DHV_CONCURRENCY_TESTS_ONLY=ON || exit 1
# shellcheck disable=SC2046
cmake --build "$dir" -j "$jobs" --target $(echo "$cases" | cut -d: -f1 | sort -u) || exit 1

# soak PROGRAM TEST: runs one case for its share of the time; passes when the case ran
# (a renamed test must not pass by running nothing) and passed.
soak() {
  local out status
  out=$(HV_SOAK_SECONDS=$share "$dir/bin/$1" --gtest_filter="$2" 2>&1)
  status=$?
  printf '%s\n' "$out"
  [ "$status" -eq 0 ] && grep -q '^\[  PASSED  \] 1 test' <<<"$out"
}

echo "soak: $count cases, $share s each"
for entry in $cases; do
  program=${entry%%:*}
  test=${entry#*:}
  log=$dir/soak-$test.log
  echo "=== $program $test"
  counted "$test" "$log" soak "$program" "$test"
  grep '^soak ' "$log" | sed 's/^/    /'
done
finish
