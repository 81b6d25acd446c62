#!/usr/bin/env bash
# Sanitizer runs of the test suite:
#   asan  the whole suite built with AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/),
#         display, Wine and browser tests left out;
#   tsan  the concurrency tests (worker pool, restart, stop, exit, transfers at once, counters)
#         built with ThreadSanitizer (build-tsan/).
# A report from any process (the test programs and every kelvane-server they start) fails the run.
# Warnings are not errors here: the instrumented code makes GCC warn falsely (maybe-uninitialized
# inside the standard library); the normal build of the test command keeps them errors.
# Usage: scripts/ci-sanitizers.sh [asan|tsan|all]   (default all)
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
stage="${1:-all}"
jobs="$(nproc)"
[ "$jobs" -gt 2 ] && jobs=2

# Reports go to files as well as failing their process, so that a report from a server that a test
# started (whose standard error the test may not show) still fails the run.
check_reports() {
  local logs="$1"
  if compgen -G "$logs/*" >/dev/null; then
    echo "sanitizer reports:"
    for report in "$logs"/*; do
      echo "== $report"
      cat "$report"
    done
    return 1
  fi
}

run_asan() {
  local build="$top/build-asan"
  local logs="$build/sanitizer-reports"
  cmake -S "$top" -B "$build" -G Ninja -DKELVANE_TESTS=ON -DKELVANE_WERROR=OFF \
    -DKELVANE_SANITIZE=address,undefined >/dev/null
  cmake --build "$build" -j"$jobs"
  rm -rf "$logs" && mkdir -p "$logs"
  local status=0
  (cd "$build" &&
    ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:log_path=$logs/asan:log_exe_name=1" \
    UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:log_path=$logs/ubsan:log_exe_name=1" \
    ctest --output-on-failure -j"$jobs" -LE 'wine|browser') || status=1
  check_reports "$logs" || status=1
  return $status
}

# The tests whose threads meet: the pool, restarts and stop, exit through the status window, the
# connection's abort from another thread, transfers at once and their counters.
TSAN_TARGETS=(TransfersUnderStopTest WorkerPoolTest ConnectionTest ui_logic_test ui_headless_test ui_exit_test CommandsTest
  integration_file_commands_test KelvaneServer)
TSAN_TESTS='^(TransfersUnderStopTest|WorkerPoolTest|ConnectionTest|StatusWindowLogic|HeadlessRun|ExitDuringTransfers)\.|TwoUploadsAtOnce'

run_tsan() {
  local build="$top/build-tsan"
  local logs="$build/sanitizer-reports"
  cmake -S "$top" -B "$build" -G Ninja -DKELVANE_TESTS=ON -DKELVANE_WERROR=OFF \
    -DKELVANE_SANITIZE=thread >/dev/null
  # Only the targets that exist in this checkout.
  local known targets=()
  known="$(cmake --build "$build" --target help 2>/dev/null || true)"
  for target in "${TSAN_TARGETS[@]}"; do
    grep -q "^$target:" <<<"$known" && targets+=("$target")
  done
  cmake --build "$build" -j"$jobs" --target "${targets[@]}"
  rm -rf "$logs" && mkdir -p "$logs"
  local status=0
  (cd "$build" &&
    TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:log_path=$logs/tsan:log_exe_name=1" \
    ctest --output-on-failure -j"$jobs" -R "$TSAN_TESTS") || status=1
  check_reports "$logs" || status=1
  return $status
}

status=0
case "$stage" in
  asan) run_asan || status=1 ;;
  tsan) run_tsan || status=1 ;;
  all)
    run_asan || status=1
    run_tsan || status=1
    ;;
  *) echo "usage: $0 [asan|tsan|all]" >&2; exit 2 ;;
esac
exit $status
