#!/usr/bin/env bash
# Our MD5 against coreutils' md5sum over the same 64 MiB held in memory
# (page cache): ratio = md5sum's time / ours, above 1 when ours is faster.
# md5sum's time includes starting it and reading the cached file.
# The digests must agree.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
program=$root/build/linux/bench/md5_file
[ -x "$program" ] || { echo "build the linux preset first ($program missing)"; exit 1; }
data=$(mktemp)
trap 'rm -f "$data"' EXIT
head -c $((64 * 1024 * 1024)) /dev/urandom > "$data"
cat "$data" > /dev/null
read -r ours ours_seconds < <("$program" "$data")
start=$(date +%s.%N)
theirs=$(md5sum "$data" | cut -d' ' -f1)
end=$(date +%s.%N)
[ "$ours" = "$theirs" ] || { echo "digests differ: $ours $theirs"; exit 1; }
awk -v s="$start" -v e="$end" -v o="$ours_seconds" 'BEGIN {
  printf "our MD5: %.3fs (hashing only), md5sum: %.3fs (whole command) for 64 MiB\n", o, e - s
  printf "md5 ratio: %.3f\n", (e - s) / o
}'
