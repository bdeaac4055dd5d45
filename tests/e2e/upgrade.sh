#!/usr/bin/env bash
# The signed upgrade on the Linux demo build, against the demo platform, under
# its own Xvfb, with xdotool answering the prompt as the player would:
#   1. the demo upgrade as signed at build time: the client fetches the
#      version file, asks, fetches the package, checks it and starts the demo
#      upgrader with "/S /RKUPGRADE" from a folder of its own, remembers the
#      version and ends;
#   2. the same version file with one byte of the package changed: the client
#      asks, fetches, refuses: nothing starts, nothing is kept under the
#      upgrader's name, the login window comes back and the client runs on.
# Screenshots of the prompt and of the window after the refusal are kept in SHOTS.
#
# usage: upgrade.sh CLIENT DEMO_UPGRADE_FOLDER WORK_FOLDER SHOTS_FOLDER
# UPGRADE_WAIT: seconds a step may wait for its condition (default 40).
# Exit codes: 0 both held, 1 a step failed, 77 a tool is missing.
set -uo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/../.." && pwd)
usage="usage: upgrade.sh CLIENT DEMO_UPGRADE_FOLDER WORK_FOLDER SHOTS_FOLDER"
CLIENT=${1:?$usage}
SIGNED=${2:?$usage}
WORK=${3:?$usage}
SHOTS=${4:?$usage}
WAIT=${UPGRADE_WAIT:-40}
WORK=$(realpath -m "$WORK")
SIGNED=$(realpath -m "$SIGNED")
TITLE=VexaOrvane
LOGIN_SIZE=1287x732

for tool in Xvfb xdotool xprop import cmp; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
[ -x "$CLIENT" ] || { echo "FAIL: no client at $CLIENT"; exit 1; }
[ -f "$SIGNED/app.ini" ] && [ -f "$SIGNED/ZuWayfarUpgrade.exe" ] ||
  { echo "FAIL: no signed demo upgrade in $SIGNED (build the demo_upgrade target)"; exit 1; }

say() { printf '[upgrade] %s\n' "$*"; }
xvfb_pid= platform_pid= client_pid=

# shellcheck source=processes.sh
. "$HERE/processes.sh"
stop_all_on_exit

fail() {
  say "FAIL: $*"
  shot failure 2>/dev/null || true
  [ -n "${RUN:-}" ] && [ -f "$RUN/records.jsonl" ] && {
    say "platform records:"
    /usr/bin/python3 "$HERE/journey_records.py" "$RUN/records.jsonl" summary | tail -20
  }
  [ -n "${RUN:-}" ] && [ -f "$RUN/client.log" ] && { say "client log (end):"; tail -20 "$RUN/client.log"; }
  exit 1
}

count() { /usr/bin/python3 "$HERE/journey_records.py" "$RUN/records.jsonl" count "$@"; }
# wait_until DESCRIPTION COMMAND...: until COMMAND succeeds, at most WAIT seconds.
wait_until() {
  local what=$1 deadline=$((SECONDS + WAIT))
  shift
  until "$@"; do
    [ $SECONDS -lt $deadline ] || fail "$what (not within ${WAIT} s)"
    sleep 0.2
  done
}
at_least() { local n=$1; shift; [ "$(count "$@")" -ge "$n" ]; }
wait_event() { local n=$1; shift; wait_until "the platform records $* (${n} times)" at_least "$n" "$@"; }

login_window() {
  local id geometry X Y WIDTH HEIGHT
  for id in $(xdotool search --onlyvisible --name "^${TITLE}\$" 2>/dev/null); do
    geometry=$(xdotool getwindowgeometry --shell "$id" 2>/dev/null) || continue
    X= Y= WIDTH= HEIGHT=
    eval "$geometry"
    [ "${WIDTH}x${HEIGHT}" = "$LOGIN_SIZE" ] &&
      xprop -id "$id" WM_TRANSIENT_FOR 2>/dev/null | grep -q 'window id' && { echo "$id"; return 0; }
  done
  return 0
}
shown() { [ -n "$(login_window)" ]; }
gone() { [ -z "$(login_window)" ]; }
prompt() { xdotool search --onlyvisible --name '^升级提醒$' 2>/dev/null | head -1; }
prompted() { [ -n "$(prompt)" ]; }
client_ended() { ! kill -0 "$client_pid" 2>/dev/null; }

shot_number=0
shot() {
  shot_number=$((shot_number + 1))
  local file
  file=$(printf '%s/%02d-%s.png' "$SHOTS" "$shot_number" "$1")
  import -window root "$file" && say "screenshot $file"
}

# The player's OK: the prompt gets the keyboard and Return (OK is its default).
answer_prompt() {
  local box
  box=$(prompt)
  [ -n "$box" ] || fail "no upgrade prompt to answer"
  xdotool windowfocus --sync "$box" 2>/dev/null || xdotool windowfocus "$box"
  xdotool key Return
}

# start_run NAME PACKAGE: the platform serving the signed version file and
# PACKAGE, and a client with a fresh data folder, in $WORK/NAME.
start_run() {
  RUN=$WORK/$1
  mkdir -p "$RUN/home" "$RUN/config" "$RUN/tmp"
  /usr/bin/python3 "$ROOT/tools/demo-platform/demo_platform.py" --record "$RUN/records.jsonl" \
    --ready-file "$RUN/platform.json" --watch-pid $$ --quiet --log "$RUN/platform.log" \
    --app-ini "$SIGNED/app.ini" --package "$2" &
  platform_pid=$!
  wait_until "the demo platform gets ready" test -f "$RUN/platform.json"
  (
    unset BROWSER DBUS_SESSION_BUS_ADDRESS
    export HOME="$RUN/home" XDG_CONFIG_HOME="$RUN/config" TMPDIR="$RUN/tmp" \
      VEXA_DEMO_UPGRADE_RECORD="$RUN/upgrader.log" \
      WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS=1 WEBKIT_DISABLE_COMPOSITING_MODE=1 \
      LIBGL_ALWAYS_SOFTWARE=1 NO_AT_BRIDGE=1 GTK_A11Y=none
    exec "$CLIENT"
  ) >"$RUN/client.log" 2>&1 &
  client_pid=$!
  DATA="$RUN/config/Vexa游戏/tavo"
  say "$1: client pid $client_pid, records in $RUN/records.jsonl"
}
end_run() {
  stop_pid "$client_pid"
  client_pid=
  stop_pid "$platform_pid"
  platform_pid=
}
last_offered() { sed -n 's/^lastUpgradeVer=//p' "$DATA/Upgrade/LastUpgrade.ini" 2>/dev/null | tr -d '\r'; }

rm -rf "$WORK" "$SHOTS"
mkdir -p "$WORK" "$SHOTS"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$WORK/xvfb.display" 2>"$WORK/xvfb.log" &
xvfb_pid=$!
wait_until "Xvfb gives its display" test -s "$WORK/xvfb.display"
export DISPLAY=":$(head -1 "$WORK/xvfb.display")"
offered=$(sed -n 's/^currentversion=//p' "$SIGNED/app.ini" | tr -d '\r')

# --- 1. a changed package is fetched, refused and never started --------------------------------
tampered=$WORK/tampered.exe
cp "$SIGNED/ZuWayfarUpgrade.exe" "$tampered"
# One byte in the middle of the program, flipped.
size=$(stat -c %s "$tampered")
/usr/bin/python3 - "$tampered" $((size / 2)) <<'EOF'
import sys
path, at = sys.argv[1], int(sys.argv[2])
with open(path, "r+b") as f:
    f.seek(at)
    b = f.read(1)
    f.seek(at)
    f.write(bytes([b[0] ^ 0x5A]))
EOF
cmp -s "$tampered" "$SIGNED/ZuWayfarUpgrade.exe" && fail "the tampered package is the signed one"
start_run tampered "$tampered"
wait_event 1 version-file
wait_until "the upgrade prompt is shown" prompted
shot tampered-prompt
answer_prompt
wait_event 1 upgrade-package
wait_until "the login window comes back after the refused package" shown
sleep 1
shot tampered-login-again
client_ended && fail "the client ended after a refused package"
[ -e "$RUN/upgrader.log" ] && fail "a tampered package started: $(cat "$RUN/upgrader.log")"
[ -e "$DATA/Upgrade/ZuWayfarUpgrade.exe" ] && fail "the tampered package kept the upgrader's name"
[ -e "$DATA/Upgrade/ZuWayfarUpgrade.exe.partial" ] && fail "the tampered package's partial file was left"
[ -z "$(last_offered)" ] || fail "a refused upgrade was remembered as offered: $(last_offered)"
ls "$RUN/tmp" | grep -q '^vexa-upgrade-' && fail "a copy of the tampered package was made for a start"
say "tampered package refused: nothing started, the login window is back"
end_run

# --- 2. the signed demo upgrade starts ---------------------------------------------------------
start_run signed "$SIGNED/ZuWayfarUpgrade.exe"
wait_event 1 version-file
wait_until "the login window is shown" shown
wait_until "the upgrade prompt is shown" prompted
shot signed-prompt
answer_prompt
wait_event 1 upgrade-package
wait_until "the demo upgrader runs" test -s "$RUN/upgrader.log"
wait_until "the client ends after starting the upgrader" client_ended
wait "$client_pid" 2>/dev/null
client_pid=
record=$(cat "$RUN/upgrader.log")
say "$record"
[ "$(wc -l <"$RUN/upgrader.log")" = 1 ] || fail "the upgrader ran more than once"
case "$record" in
  *" silent=yes "*" args=/S /RKUPGRADE") ;;
  *) fail "the upgrader was not started with /S /RKUPGRADE: $record" ;;
esac
# It ran from a copy in a fresh folder of its own under the temporary folder,
# which nobody but its owner may enter, and that copy is the signed package.
started=${record##* path=}
started=${started%% args=*}
case "$started" in
  "$RUN/tmp/vexa-upgrade-"*/ZuWayfarUpgrade.exe) ;;
  *) fail "the upgrader did not run from a private copy: $started" ;;
esac
[ "$(stat -c %a "$(dirname "$started")")" = 700 ] || fail "the copy's folder is open to others"
cmp -s "$started" "$SIGNED/ZuWayfarUpgrade.exe" || fail "the started copy is not the signed package"
[ "$(last_offered)" = "$offered" ] || fail "the offered version was not remembered: '$(last_offered)'"
say "signed upgrade $offered started from $started"
end_run
say "both runs held"
exit 0
