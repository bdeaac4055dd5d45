#!/usr/bin/env bash
# Runs every benchmark script in this folder (bench/*.sh other than this one).
# Each prints its comparison as "<name> ratio: <number>" on a line of its own.
set -u
here=$(cd "$(dirname "$0")" && pwd)
status=0
for script in "$here"/*.sh; do
  [ "$(basename "$script")" = run-all.sh ] && continue
  echo "== $(basename "$script")"
  bash "$script" || status=1
done
exit $status
