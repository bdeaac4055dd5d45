#!/usr/bin/env bash
# One HTTP attempt of the download workers against the curl tool, both
# fetching a 1 MB, a 20 MB and a 200 MB file from a loopback server into a file.
# Prints "transfer/curl ratio <size>: R" per size and "transfer/curl ratio: R"
# (200 MB), R being our throughput over curl's; then "stop time ms: N", the
# time a stop takes while both workers wait on stalled servers.  "transfer.sh
# stop" measures only the stop.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
program=$root/build/${BENCH_PRESET:-linux}/bench/transfer_bench
if [ ! -x "$program" ]; then
  cmake --preset "${BENCH_PRESET:-linux}" >/dev/null
  cmake --build --preset "${BENCH_PRESET:-linux}" -j2 --target transfer_bench
fi
exec "$program" "$@"
