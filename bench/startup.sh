#!/usr/bin/env bash
# Start-up time and resident memory of the demo client beside a bare WebKitGTK
# window (bench/bare_webview.cpp) on the same loopback login page, then the
# client's own CPU time while the page is loaded and still.  Runs under Xvfb.
# Prints "startup/bare-webview ratio", "rss/bare-webview ratio" and
# "idle cpu ms/min".  STARTUP_RUNS and IDLE_SECONDS change the defaults (5, 60).
set -euo pipefail
# Neither program gets the accessibility bus: without a session bus GTK waits
# for it, which would add the same seconds-long delay to both measurements.
export NO_AT_BRIDGE=1
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
cmake --preset demo >/dev/null
cmake --build --preset demo -j2 --target vexa >/dev/null
cmake --preset linux >/dev/null
cmake --build --preset linux -j2 --target bare_webview >/dev/null
exec xvfb-run -a -s "-screen 0 1920x1080x24" /usr/bin/python3 bench/startup_bench.py \
  --client build/demo/vexa --bare build/linux/bench/bare_webview \
  --runs "${STARTUP_RUNS:-5}" --idle-seconds "${IDLE_SECONDS:-60}"
