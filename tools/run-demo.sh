#!/usr/bin/env bash
# ./run demo: builds the demo client, starts the bundled demo platform and the
# client against it, with a fresh data folder under build/demo/demo-run/.
#
#   On a display: the client runs there until the player closes it; then the
#   platform stops.  Ctrl+C stops everything.
#   Without a display (or with --headless): the player's whole journey plays
#   by itself under Xvfb with xdotool as the player's hands (tests/e2e/journey.sh,
#   the end-to-end test's own script): the login page, an account signed in,
#   the game window, refresh, the pay page and a pop-up in a stand-in browser,
#   back to the login window, QQ sign-in, the close questions, the end.  Its
#   screenshots and contact sheet are kept in build/demo/screenshots/journey/
#   (the login window's also in build/demo/screenshots/login/); exit code 1
#   when a step does not hold.
#
#   With --upgrade: the download host offers the signed demo upgrade made at
#   build time (build/demo/demo-upgrade/: a harmless upgrader and its version
#   file, signed with the demo key).  The client asks, fetches, checks and
#   starts it; the upgrader records its run in build/demo/demo-run/upgrader.log.
#   Headless, the upgrade's own end-to-end script plays it (tests/e2e/upgrade.sh:
#   the signed package started, a changed one refused), with screenshots in
#   build/demo/screenshots/upgrade/.
#
# usage: tools/run-demo.sh [--headless] [--no-build] [--upgrade]
# VEXA_DEMO_WAIT: seconds each headless step may wait (default 40).
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
BUILD=$ROOT/build/demo
RUN=$BUILD/demo-run
SHOTS=$BUILD/screenshots
WAIT=${VEXA_DEMO_WAIT:-40}
CLIENT=$BUILD/vexa
RECORDS=$RUN/records.jsonl

UPGRADE=$BUILD/demo-upgrade

headless=0 build=1 upgrade=0
for arg in "$@"; do
  case "$arg" in
    --headless) headless=1 ;;
    --no-build) build=0 ;;
    --upgrade) upgrade=1 ;;
    *) echo "usage: ./run demo [--headless] [--no-build] [--upgrade]" >&2; exit 2 ;;
  esac
done

platform_pid= client_pid=

if [ -t 1 ]; then
  say() { printf '\033[1m[demo]\033[0m %s\n' "$*"; }
else
  say() { printf '[demo] %s\n' "$*"; }
fi

# shellcheck source=../tests/e2e/processes.sh
. "$ROOT/tests/e2e/processes.sh"
INTERRUPT_HOOK='echo; say interrupted'
stop_all_on_exit

build_client() {
  say "building the demo client (preset demo)"
  cmake --preset demo >/dev/null
  cmake --build --preset demo -j"$(nproc)" --target vexa demo_upgrade | tail -2
}

start_platform() {
  local ready=$RUN/platform.json offer=()
  [ "$upgrade" = 1 ] && offer=(--app-ini "$UPGRADE/app.ini" --package "$UPGRADE/ZuWayfarUpgrade.exe")
  /usr/bin/python3 "$ROOT/tools/demo-platform/demo_platform.py" --record "$RECORDS" \
    --ready-file "$ready" --watch-pid $$ "${offer[@]}" &
  platform_pid=$!
  for _ in $(seq 200); do
    [ -f "$ready" ] && return 0
    kill -0 "$platform_pid" 2>/dev/null || { platform_pid=; say "the demo platform could not start"; exit 1; }
    sleep 0.05
  done
  say "the demo platform did not get ready"; exit 1
}

start_client() {
  # WebKit's sandbox cannot start for root; Xvfb has no GL.
  local env=(XDG_CONFIG_HOME="$RUN/config" TMPDIR="$RUN/tmp" VEXA_DEMO_UPGRADE_RECORD="$RUN/upgrader.log")
  [ "$(id -u)" = 0 ] && env+=(WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS=1)
  say "starting the client on display $DISPLAY; data folder $RUN/config/Vexa游戏/tavo/"
  env "${env[@]}" "$CLIENT" &
  client_pid=$!
}

# --- main ------------------------------------------------------------------------------------
[ "$build" = 1 ] && build_client
[ -x "$CLIENT" ] || { say "no client at $CLIENT: build it first (./run demo without --no-build)"; exit 1; }
rm -rf "$RUN"
mkdir -p "$RUN/config" "$RUN/tmp" "$SHOTS"
rm -f "$SHOTS"/demo-*.png

if [ "$headless" = 0 ]; then
  if [ -z "${DISPLAY:-}" ]; then
    say "no display (DISPLAY is not set): running the demo headless under Xvfb"
    headless=1
  elif ! xdpyinfo >/dev/null 2>&1; then
    say "the display $DISPLAY cannot be opened: running the demo headless under Xvfb"
    headless=1
  fi
fi

if [ "$upgrade" = 1 ]; then
  [ -f "$UPGRADE/app.ini" ] || { say "no signed demo upgrade in $UPGRADE: build it first (./run demo --upgrade without --no-build)"; exit 1; }
  if [ "$headless" = 1 ]; then
    say "playing the signed upgrade headless (tests/e2e/upgrade.sh)"
    if UPGRADE_WAIT=$WAIT "$ROOT/tests/e2e/upgrade.sh" "$CLIENT" "$UPGRADE" "$RUN" "$SHOTS/upgrade"; then
      say "headless upgrade done; screenshots in $SHOTS/upgrade"
      exit 0
    fi
    say "the headless upgrade failed; screenshots in $SHOTS/upgrade"
    exit 1
  fi
fi

if [ "$headless" = 1 ]; then
  # The journey brings its own display, platform and client, in $RUN.
  say "playing the journey headless (tests/e2e/journey.sh); records in $RUN/records.jsonl"
  set +e
  JOURNEY_WAIT=$WAIT "$ROOT/tests/e2e/journey.sh" "$CLIENT" "$RUN" "$SHOTS/journey"
  rc=$?
  set -e
  if [ "$rc" = 77 ]; then
    say "a tool the headless journey needs is missing (see above): ./run setup installs it"
    exit 1
  elif [ "$rc" != 0 ]; then
    say "the headless journey failed; screenshots in $SHOTS/journey, records in $RUN/records.jsonl"
    exit 1
  fi
  mkdir -p "$SHOTS/login"
  cp "$SHOTS/journey/01-login-page.png" "$SHOTS/login/login-page.png"
  cp "$SHOTS"/journey/*-qq-window.png "$SHOTS/login/quick-login-qq.png"
  say "headless demo done; screenshots in $SHOTS/journey (contact sheet: contact-sheet.png)"
  exit 0
fi

start_platform
start_client
say "play in the client window; the platform's pages are listed on http://localhost:18080/"
set +e
wait "$client_pid"
rc=$?
set -e
client_pid=
say "the client has ended (exit code $rc)"
[ -f "$RUN/upgrader.log" ] && say "$(cat "$RUN/upgrader.log")"
exit 0
