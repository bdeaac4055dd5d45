#!/usr/bin/env bash
# The Linux program's setup-success and uninstall-success runs against a
# loopback statistics server: each sends its one ping and ends by itself,
# also when the server is down.
# usage: pings.sh PROGRAM HOME_FOLDER STATS_HOST
set -u
exe=$1
home=$2
fail() { echo "FAIL: $*"; stop_stats_server; exit 1; }
. "$(dirname "$0")/ping_checks.sh"
port=$(stats_port "$3") || exit 77
rm -rf "$home"
mkdir -p "$home/config" "$home/tmp"
export XDG_CONFIG_HOME=$home/config TMPDIR=$home/tmp
# Without a runtime folder the answers go to the user's private folder
# under TMPDIR.
unset XDG_RUNTIME_DIR
answers() { ls "$home"/tmp/vexatavo-*/"$1" 2>/dev/null; }
settings_file="$home/config/Vexa游戏/tavo/Wayfar.ini"
settings() { tr -d '\r' < "$settings_file"; }
start_stats_server "$port" "$home"

# First run with an empty settings file.
mkdir -p "$(dirname "$settings_file")" && : > "$settings_file"
timeout 60 xvfb-run -a "$exe" /setupsucc
rc=$?; [ $rc -eq 0 ] || fail "/setupsucc exited $rc"
[ "$(wc -l < "$stats_log")" -eq 1 ] || fail "expected one request: $(cat "$stats_log")"
check_ping "$(sed -n 1p "$stats_log")" 2 "" "$(settings)"
guid=$ping_guid machine=$ping_machine
answer=$(answers InstallStat.tmp | head -1)
[ -n "$answer" ] || fail "no InstallStat.tmp after a successful ping"
[ "$(stat -c %a "$answer")" = 600 ] || fail "InstallStat.tmp is not private: $(stat -c %a "$answer")"
[ "$(stat -c %a "$(dirname "$answer")")" = 700 ] || fail "the answer folder is not private"
settings | grep -q '^RunCount=' && fail "/setupsucc counted a start"

# The uninstall run: the same identifiers, e7=1 (installed today), a counted start.
timeout 60 xvfb-run -a "$exe" /uninstallsucc
rc=$?; [ $rc -eq 0 ] || fail "/uninstallsucc exited $rc"
[ "$(wc -l < "$stats_log")" -eq 2 ] || fail "expected two requests: $(cat "$stats_log")"
check_ping "$(sed -n 2p "$stats_log")" 6 "&e7=1" "$(settings)"
[ "$ping_guid" = "$guid" ] || fail "the GUID changed: $guid -> $ping_guid"
[ "$ping_machine" = "$machine" ] || fail "the machine id changed between runs: $machine -> $ping_machine"
settings | grep -qx 'RunCount=1' || fail "RunCount not 1 after /uninstallsucc: $(settings)"

# With the server down both runs still end by themselves, and the failed
# ping leaves no response file behind.
stop_stats_server
rm -rf "$home"/tmp/vexatavo-*
timeout 60 xvfb-run -a "$exe" /setupsucc
rc=$?; [ $rc -eq 0 ] || fail "/setupsucc with the server down exited $rc"
[ -n "$(answers InstallStat.tmp)" ] && fail "InstallStat.tmp kept after a failed ping"
timeout 60 xvfb-run -a "$exe" /uninstallsucc
rc=$?; [ $rc -eq 0 ] || fail "/uninstallsucc with the server down exited $rc"
settings | grep -qx 'RunCount=2' || fail "RunCount not 2: $(settings)"
echo "pings: ok"
