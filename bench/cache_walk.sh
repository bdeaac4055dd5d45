#!/usr/bin/env bash
# The game window's cache cleanup walking a scripted cache of 1,000 and of
# 10,000 entries.  Prints "cache walk per entry at N entries: T us" and how
# the time per entry grows from 1,000 to 10,000 entries.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cmake --preset "${BENCH_PRESET:-linux}" >/dev/null
cmake --build --preset "${BENCH_PRESET:-linux}" -j2 --target cache_walk_bench >/dev/null
exec "$root/build/${BENCH_PRESET:-linux}/bench/cache_walk_bench"
