#!/usr/bin/env bash
# Replaces the build's Wine prefix with a fresh one, so every test run starts
# from a clean Windows profile.  usage: fresh-wineprefix.sh PREFIX LOADER
set -u
prefix=$1
loader=$2
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
if ! "$loader" --version >/dev/null 2>&1; then
  echo "SKIPPED: '$loader' cannot start on this machine"
  exit 77
fi
wineserver -k 2>/dev/null || true
rm -rf "$prefix"
mkdir -p "$prefix"
timeout -k 10 300 xvfb-run -a "$loader" wineboot --init >/dev/null 2>&1
rc=$?
timeout 60 wineserver -w 2>/dev/null || true
[ -f "$prefix/system.reg" ] || { echo "wineboot failed ($rc)"; exit 1; }
echo "fresh prefix at $prefix"
