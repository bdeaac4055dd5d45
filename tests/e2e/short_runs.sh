#!/usr/bin/env bash
# The Linux program's short run, as a player's installer would start it.
# usage: short_runs.sh PROGRAM HOME_FOLDER
set -u
exe=$1
home=$2
fail() { echo "FAIL: $*"; exit 1; }
rm -rf "$home"
mkdir -p "$home/config" "$home/tmp"
export XDG_CONFIG_HOME=$home/config TMPDIR=$home/tmp
settings="$home/config/Vexa游戏/tavo/Wayfar.ini"

# /ShowDeskTop ends by itself with exit code 0, with a display and without one.
timeout 60 xvfb-run -a "$exe" /ShowDeskTop
rc=$?; [ $rc -eq 0 ] || fail "/ShowDeskTop under Xvfb exited $rc"
(unset DISPLAY WAYLAND_DISPLAY; timeout 60 "$exe" /ShowDeskTop)
rc=$?; [ $rc -eq 0 ] || fail "/ShowDeskTop without a display exited $rc"
[ -f "$settings" ] || fail "no settings file at $settings"
grep -qE '^InstallTime=[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}' "$settings" \
  || fail "no InstallTime in $(cat "$settings")"
grep -q '^RunCount=' "$settings" && fail "/ShowDeskTop counted a start"

# A normal start keeps running (its windows wait for the player) and counts itself.
timeout 5 xvfb-run -a "$exe"
rc=$?; [ $rc -eq 124 ] || fail "a normal start ended by itself ($rc)"
grep -q '^RunCount=1' "$settings" || fail "RunCount not 1 after a normal start"
echo "short runs: ok"
