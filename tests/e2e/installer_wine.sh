#!/usr/bin/env bash
# The Windows installer under Wine, silently, against the demo platform's
# statistics host: install (files, shortcuts, registration, install ping),
# an upgrade in place started the way the client starts one (" /S /RKUPGRADE"
# from its upgrade folder, while the old program is still running), and the
# uninstaller (uninstall ping, everything gone).  Runs in a fresh Wine prefix
# of its own, every Wine step with a time limit.
# usage: installer_wine.sh LOADER INSTALLER PROGRAM WORK_FOLDER
# Needs an X display for the programs the installer starts: run it under
# xvfb-run.
set -u
loader=$1
installer=$2
program=$3
work=$4
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
platform_pid=
fail() {
  echo "FAIL: $*"
  [ -f "$work/platform.log" ] && { echo "--- platform log"; tail -20 "$work/platform.log"; }
  stop_all
  exit 1
}
stop_all() {
  WINEPREFIX=$prefix timeout 30 wineserver -k 2>/dev/null
  if [ -n "$platform_pid" ]; then kill "$platform_pid" 2>/dev/null; wait "$platform_pid" 2>/dev/null; fi
  platform_pid=
}
prefix=$work/prefix
if ! "$loader" --version >/dev/null 2>&1; then
  echo "SKIPPED: '$loader' cannot start on this machine"
  exit 77
fi
rm -rf "$work" && mkdir -p "$work"
# No menu entries or file associations of the Wine prefix leak into this
# machine's desktop.
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
wine() { timeout -k 5 "$1" "$loader" "${@:2}"; }

"$root/tools/fresh-wineprefix.sh" "$prefix" "$loader" >/dev/null || fail "no fresh Wine prefix"
records=$work/records.jsonl
/usr/bin/python3 "$root/tools/demo-platform/demo_platform.py" --only stats --record "$records" \
  --ready-file "$work/ready" --watch-pid $$ >"$work/platform.log" 2>&1 &
platform_pid=$!
for _ in $(seq 100); do [ -f "$work/ready" ] && break; sleep 0.1; done
[ -f "$work/ready" ] || fail "the demo platform did not start"

pings() { grep -c "\"event\": \"ping-$1\"" "$records" 2>/dev/null; }
wait_ping() {  # wait_ping KIND COUNT [WHAT TO SAY BESIDE A MISSING PING]
  for _ in $(seq 600); do [ "$(pings "$1")" -ge "$2" ] && return 0; sleep 0.1; done
  fail "no $1 ping recorded within 60 s: $(cat "$records" 2>/dev/null)${3:+; $3}"
}
last_ping() { grep "\"event\": \"ping-$1\"" "$records" | tail -1; }
json() { /usr/bin/python3 -c 'import json,sys; r=json.loads(sys.argv[1]); print(eval(sys.argv[2]))' "$@"; }
reg_has() { grep -qF "$1" "$prefix/system.reg"; }

# A 32-bit installer in a 64-bit prefix installs under "Program Files (x86)"
# and registers under Wow6432Node.
program_dir="$prefix/drive_c/Program Files/Vexa/Vexatavo"
menu_dir="$prefix/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Vexa游戏"
desktop_link="$prefix/drive_c/users/Public/Desktop/VexaBrannoc.lnk"
user_dir=$(ls -d "$prefix"/drive_c/users/* | grep -v '/Public$' | head -1)
data_dir="$user_dir/AppData/Roaming/Vexa游戏/tavo"
settings() { tr -d '\r' < "$data_dir/Wayfar.ini"; }

# --- install -------------------------------------------------------------------
wine 120 "$installer" /S
rc=$?; [ $rc -eq 0 ] || fail "the silent install exited $rc"
wait_ping install 1
timeout 60 wineserver -w  # the /setupsucc run ends by itself after its ping
[ -d "$program_dir" ] || program_dir="$prefix/drive_c/Program Files (x86)/Vexa/Vexatavo"
cmp -s "$program" "$program_dir/Vexatavo.exe" || fail "Vexatavo.exe not installed in $program_dir"
[ -f "$program_dir/uninst.exe" ] || fail "no uninstaller"
[ -f "$menu_dir/VexaBrannoc.lnk" ] || fail "no Start-menu shortcut: $(ls -R "$prefix/drive_c/ProgramData/Microsoft/Windows/Start Menu" 2>&1)"
[ -f "$menu_dir/卸载 VexaBrannoc.lnk" ] || fail "no Start-menu uninstall shortcut"
[ -f "$desktop_link" ] || fail "no desktop shortcut: $(ls "$prefix/drive_c/users/Public/Desktop" 2>&1)"
reg_has 'Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vexatavo]' || fail "no uninstall registration"
reg_has '\\Vexa\\Vexatavo\\uninst.exe\""' || fail "no UninstallString"
ping=$(last_ping install)
[ "$(json "$ping" 'r["details"]["at"]')" = 2 ] || fail "install ping: $ping"
guid=$(json "$ping" 'r["details"]["guid"]')
settings | grep -qx "GUID=$guid" || fail "the install ping's GUID $guid is not the settings': $(settings)"
settings | grep -q '^RunCount=' && fail "the /setupsucc run counted a start"

# --- upgrade in place, as the client starts it ------------------------------------
# The installed program is an older one (a different file), it is running,
# and the package is in the client's upgrade folder.
printf 'older build' >>"$program_dir/Vexatavo.exe"
mkdir -p "$data_dir/Upgrade"
cp "$installer" "$data_dir/Upgrade/ZuWayfarUpgrade.exe"
(cd "$program_dir" && wine 8 ./Vexatavo.exe) &  # ends like a client that launched its upgrade
old_client=$!
for _ in $(seq 100); do settings | grep -qx 'RunCount=1' && break; sleep 0.1; done
settings | grep -qx 'RunCount=1' || fail "the old program did not start: $(settings)"
wine 120 "$data_dir/Upgrade/ZuWayfarUpgrade.exe" /S /RKUPGRADE
rc=$?; [ $rc -eq 0 ] || fail "the silent upgrade exited $rc"
wait "$old_client" 2>/dev/null
cmp -s "$program" "$program_dir/Vexatavo.exe" || fail "the upgrade did not replace Vexatavo.exe"
# The upgraded program is started again (a counted start), no install ping.
for _ in $(seq 300); do settings | grep -qx 'RunCount=2' && break; sleep 0.1; done
settings | grep -qx 'RunCount=2' || fail "the upgraded program was not started: $(settings)"
timeout 30 wineserver -k
[ "$(pings install)" -eq 1 ] || fail "the upgrade sent an install ping"
[ -f "$desktop_link" ] && [ -f "$menu_dir/VexaBrannoc.lnk" ] || fail "the upgrade lost a shortcut"
[ "$(ls "$(dirname "$program_dir")")" = Vexatavo ] || fail "the upgrade installed elsewhere"

# --- uninstall -----------------------------------------------------------------
wine 120 "$program_dir/uninst.exe" /S
rc=$?; [ $rc -eq 0 ] || fail "the silent uninstall exited $rc"
timeout 120 wineserver -w  # the uninstaller runs on from a copy of itself
# Whether the uninstaller went on past its program's run shows beside a missing ping.
wait_ping uninstall 1 "left in the program folder: $(ls -A "$program_dir" 2>&1 | tr '\n' ' ')"
ping=$(last_ping uninstall)
[ "$(json "$ping" 'r["details"]["at"]')" = 6 ] || fail "uninstall ping: $ping"
[ "$(json "$ping" 'r["details"]["e7"]')" = 1 ] || fail "uninstall ping e7 (installed today): $ping"
[ "$(json "$ping" 'r["details"]["guid"]')" = "$guid" ] || fail "the uninstall ping's GUID changed: $ping"
[ -e "$program_dir" ] && fail "files left: $(ls -R "$program_dir")"
[ -e "$(dirname "$program_dir")" ] && fail "the Vexa folder is left"
[ -e "$menu_dir" ] && fail "the Start-menu folder is left"
[ -e "$desktop_link" ] && fail "the desktop shortcut is left"
reg_has 'Uninstall\\Vexatavo]' && fail "the uninstall registration is left"
[ -f "$data_dir/Wayfar.ini" ] || fail "the player's settings were removed"
stop_all
echo "installer under Wine: install, upgrade in place and uninstall ok"
