#!/usr/bin/env bash
# Reading every key of a settings file of 100 and of 1,000 keys, one profile
# read per key as at start-up.  Prints "settings read per key at N keys: T us"
# and how the time per key grows from 100 to 1,000 keys.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
program=$root/build/${BENCH_PRESET:-linux}/bench/settings_bench
if [ ! -x "$program" ]; then
  cmake --preset "${BENCH_PRESET:-linux}" >/dev/null
  cmake --build --preset "${BENCH_PRESET:-linux}" -j2 --target settings_bench
fi
exec "$program"
