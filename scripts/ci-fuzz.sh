#!/usr/bin/env bash
# Builds the libFuzzer targets under fuzz/ with clang, AddressSanitizer and UndefinedBehaviorSanitizer,
# and runs each for a bounded time from its committed seed corpus. Fails on any crash, hang or leak.
# Usage: scripts/ci-fuzz.sh [BUILD_DIR]   (default build-fuzz/; KELVANE_FUZZ_SECONDS per target, 60)
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$top/build-fuzz}"
seconds="${KELVANE_FUZZ_SECONDS:-60}"
jobs="$(nproc)"
[ "$jobs" -gt 2 ] && jobs=2

cmake -S "$top" -B "$build" -G Ninja \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKELVANE_TESTS=OFF -DKELVANE_WERROR=OFF \
  -DKELVANE_SANITIZE=address,undefined,fuzzer-no-link \
  -DCMAKE_PROJECT_INCLUDE="$top/fuzz/FuzzHook.cmake" >/dev/null
cmake --build "$build" --target kelvane_fuzzers -j"$jobs"

bin="$build/fuzz/bin"
work="$build/fuzz/work"
artifacts="$build/fuzz/artifacts"
rm -rf "$work" "$artifacts"
mkdir -p "$work" "$artifacts"

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:symbolize=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}"
# The targets must never reach a display or an input device of the machine they run on.
unset DISPLAY WAYLAND_DISPLAY

passed=0
failed=0
while read -r target; do
  [ -n "$target" ] || continue
  seeds="$top/fuzz/corpus/$target"
  corpus="$work/$target"
  mkdir -p "$corpus"
  dictionary=()
  [ -f "$top/fuzz/dictionaries/$target.dict" ] && dictionary=(-dict="$top/fuzz/dictionaries/$target.dict")
  log="$artifacts/$target.log"
  # Each target starts in an empty working folder, which it checks stays empty.
  scratch="$work/$target.cwd"
  mkdir -p "$scratch"
  echo "fuzz: $target for ${seconds}s"
  # New inputs go to the working corpus; the committed seeds are only read.
  if (cd "$scratch" && exec "$bin/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=8192 \
      -print_final_stats=1 -artifact_prefix="$artifacts/$target-" "${dictionary[@]}" \
      "$corpus" "$seeds") >"$log" 2>&1; then
    echo "fuzz: $target ok ($(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$') runs)"
    passed=$((passed + 1))
  else
    echo "fuzz: $target FAILED; the last lines of $log:"
    tail -n 60 "$log"
    ls "$artifacts" | grep -v '\.log$' || true
    failed=$((failed + 1))
  fi
done <"$bin/fuzzers.txt"

echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
