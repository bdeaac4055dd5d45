#!/usr/bin/env bash
# The Windows program's short run under Wine.
# usage: short_runs_wine.sh PREFIX LOADER PROGRAM
set -u
prefix=$1
loader=$2
exe=$3
here=$(cd "$(dirname "$0")" && pwd)
run="$here/../../tools/wine-run.sh"
fail() { echo "FAIL: $*"; exit 1; }
settings=$(ls -d "$prefix"/drive_c/users/*/AppData/Roaming 2>/dev/null | head -1)/Vexa游戏/tavo/Wayfar.ini
rm -f "$settings"

WINE_TIMEOUT=120 "$run" "$prefix" "$loader" "$exe" /ShowDeskTop
rc=$?
[ $rc -eq 77 ] && exit 77
[ $rc -eq 0 ] || fail "/ShowDeskTop exited $rc"
[ -f "$settings" ] || fail "no settings file at $settings"
grep -qE '^InstallTime=[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}' "$settings" \
  || fail "no InstallTime in $(cat "$settings")"
grep -q '^RunCount=' "$settings" && fail "/ShowDeskTop counted a start"

WINE_TIMEOUT=15 "$run" "$prefix" "$loader" "$exe"
rc=$?; [ $rc -eq 124 ] || fail "a normal start ended by itself ($rc)"
tr -d '\r' < "$settings" | grep -q '^RunCount=1' || fail "RunCount not 1 after a normal start"
wineserver -k 2>/dev/null
echo "short runs under Wine: ok"
