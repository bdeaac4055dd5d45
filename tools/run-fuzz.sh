#!/usr/bin/env bash
# Runs every libFuzzer target of build/linux-fuzz over its seed corpus.
#   tools/run-fuzz.sh smoke           each target briefly (the test suite's run)
#   tools/run-fuzz.sh full [seconds]  each target 1,000,000 inputs, or for the
#                                     given seconds
# New inputs go to build/linux-fuzz/fuzz-work/NAME/; the committed seeds in
# tests/fuzz/corpus/NAME/ are only read.  A crash leaves its input in the
# work folder (crash-*) and fails the run.  Prints each target's run count.
# FUZZ_TARGETS="ini png" runs only those targets, in that order.
# The memory limit is generous on purpose: libFuzzer empties the sanitizer's
# allocator caches every second once a target passes half of it, and with
# the address sanitizer's quarantine that alone slowed the INI target to a
# third of its speed.
set -uo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
BUILD=$ROOT/build/linux-fuzz
mode=${1:-smoke}
seconds=${2:-}
case "$mode" in
  smoke) limit=(-runs=1000) ;;
  full) if [ -n "$seconds" ]; then limit=(-max_total_time="$seconds"); else limit=(-runs=1000000); fi ;;
  *) echo "usage: $0 smoke|full [seconds]" >&2; exit 2 ;;
esac
rc=0
shopt -s nullglob
targets=("$BUILD"/tests/fuzz/fuzz_*)
if [ -n "${FUZZ_TARGETS:-}" ]; then
  targets=()
  for name in $FUZZ_TARGETS; do targets+=("$BUILD/tests/fuzz/fuzz_$name"); done
fi
[ ${#targets[@]} -gt 0 ] || { echo "no fuzz targets in $BUILD (build the linux-fuzz preset)"; exit 1; }
for target in "${targets[@]}"; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  name=${name#fuzz_}
  work=$BUILD/fuzz-work/$name
  seeds=$ROOT/tests/fuzz/corpus/$name
  mkdir -p "$work/corpus" "$seeds"
  log=$work/last-run.log
  ( cd "$work" && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
      UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
      "$target" "${limit[@]}" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 corpus "$seeds" >"$log" 2>&1 )
  status=$?
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1)
  if [ $status -ne 0 ]; then
    rc=1
    echo "fuzz $name: FAILED after ${runs:-?} runs (log: $log)"
    grep -m5 -E 'ERROR|check failed|runtime error|Test unit written' "$log" || true
  else
    echo "fuzz $name: ${runs:-?} runs, no crash"
  fi
done
exit $rc
