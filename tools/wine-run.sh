#!/usr/bin/env bash
# Runs a Windows program under Wine, headless under Xvfb and with a time limit,
# in the WINEPREFIX given.  usage: wine-run.sh PREFIX LOADER PROGRAM [ARGS...]
# Exits 77 (a skipped test) when this machine cannot start that Wine loader,
# for example a 32-bit loader on a kernel without 32-bit support.
set -u
prefix=$1
loader=$2
shift 2
export WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
if ! "$loader" --version >/dev/null 2>&1; then
  echo "SKIPPED: '$loader' cannot start on this machine (no support for its architecture)"
  exit 77
fi
if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$prefix"
  timeout -k 10 300 xvfb-run -a "$loader" wineboot --init >/dev/null 2>&1
  timeout 60 wineserver -w 2>/dev/null || true
fi
exec timeout -k 10 "${WINE_TIMEOUT:-600}" xvfb-run -a -s "-screen 0 1920x1080x24" "$loader" "$@"
