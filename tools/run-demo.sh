#!/usr/bin/env bash
# ./run demo: builds the demo client, starts the bundled demo platform and the
# client against it, with a fresh data folder under build/demo/demo-run/.
#
#   On a display: the client runs there until the player closes it; then the
#   platform stops.  Ctrl+C stops everything.
#   Without a display (or with --headless): the same under Xvfb, where the
#   journey below plays by itself (the login page, the version check and the
#   activity ping) and leaves its screenshots in build/demo/screenshots/
#   (the login window's in build/demo/screenshots/login/); exit code 1 when
#   a step does not hold.
#
# usage: tools/run-demo.sh [--headless] [--no-build]
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

headless=0 build=1
for arg in "$@"; do
  case "$arg" in
    --headless) headless=1 ;;
    --no-build) build=0 ;;
    *) echo "usage: ./run demo [--headless] [--no-build]" >&2; exit 2 ;;
  esac
done

platform_pid= client_pid= xvfb_pid=

if [ -t 1 ]; then
  say() { printf '\033[1m[demo]\033[0m %s\n' "$*"; }
else
  say() { printf '[demo] %s\n' "$*"; }
fi

# Ends one process of ours: politely, then for good.
stop_pid() {
  local pid=$1
  [ -n "$pid" ] || return 0
  kill -0 "$pid" 2>/dev/null || { wait "$pid" 2>/dev/null || true; return 0; }
  kill -TERM "$pid" 2>/dev/null || true
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

cleanup() {
  trap - EXIT INT TERM
  stop_pid "$client_pid"
  [ -n "$platform_pid" ] && kill -0 "$platform_pid" 2>/dev/null && say "stopping the demo platform"
  stop_pid "$platform_pid"
  stop_pid "$xvfb_pid"
}
trap cleanup EXIT
trap 'echo; say "interrupted"; exit 130' INT
trap 'exit 143' TERM

build_client() {
  say "building the demo client (preset demo)"
  cmake --preset demo >/dev/null
  cmake --build --preset demo -j"$(nproc)" --target vexa | tail -2
}

start_platform() {
  local ready=$RUN/platform.json
  /usr/bin/python3 "$ROOT/tools/demo-platform/demo_platform.py" --record "$RECORDS" \
    --ready-file "$ready" --watch-pid $$ &
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
  local env=(XDG_CONFIG_HOME="$RUN/config" TMPDIR="$RUN/tmp")
  [ "$(id -u)" = 0 ] && env+=(WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS=1)
  [ "$headless" = 1 ] && env+=(WEBKIT_DISABLE_COMPOSITING_MODE=1 LIBGL_ALWAYS_SOFTWARE=1 NO_AT_BRIDGE=1)
  say "starting the client on display $DISPLAY; data folder $RUN/config/Vexa游戏/tavo/"
  env "${env[@]}" "$CLIENT" &
  client_pid=$!
}

start_xvfb() {
  local fd_file=$RUN/xvfb.display
  Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$fd_file" 2>"$RUN/xvfb.log" &
  xvfb_pid=$!
  for _ in $(seq 100); do
    if [ -s "$fd_file" ]; then export DISPLAY=":$(head -1 "$fd_file")"; return 0; fi
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  say "Xvfb did not start: $(cat "$RUN/xvfb.log")"; exit 1
}

# --- the headless journey --------------------------------------------------------------------
# Helpers for its steps.  A step waits for what the platform records (or for
# the client), then keeps a screenshot.

# How often the platform has recorded EVENT so far.
count_events() { grep -c "\"event\": \"$1\"" "$RECORDS" 2>/dev/null || true; }

# wait_for_event EVENT [COUNT]: until the platform has recorded EVENT COUNT
# times (default 1), at most WAIT seconds; fails when the time is up or the
# client has ended.
wait_for_event() {
  local event=$1 count=${2:-1} deadline=$((SECONDS + WAIT))
  while [ "$(count_events "$event")" -lt "$count" ]; do
    [ $SECONDS -lt $deadline ] || return 1
    kill -0 "$client_pid" 2>/dev/null || { say "the client has ended"; return 1; }
    sleep 0.2
  done
}

shot_number=0
screenshot() {
  shot_number=$((shot_number + 1))
  local file
  file=$(printf '%s/demo-%02d-%s.png' "$SHOTS" "$shot_number" "$1")
  import -display "$DISPLAY" -window root "$file" && say "screenshot $file"
}

# The client's settings file.
settings_file() { printf '%s/config/Vexa游戏/tavo/Wayfar.ini' "$RUN"; }

# The journey a player makes, in order.  Each step either holds (the next
# one follows) or fails the demo run.
journey() {
  # The normal start: the login window loads the platform's login page, the
  # version file is fetched once and the activity ping follows the page.
  wait_for_event start-page || { say "the platform has not seen the login page within ${WAIT} s"; screenshot start; return 1; }
  wait_for_event version-file || { say "the version file was not requested"; return 1; }
  wait_for_event ping-active || { say "no activity ping after the login page"; return 1; }
  sleep 2  # let the page paint
  mkdir -p "$SHOTS/login"
  import -display "$DISPLAY" -window root "$SHOTS/login/login-page.png" &&
    say "screenshot $SHOTS/login/login-page.png"
  screenshot login-page
  sleep 1
  local versions pings
  versions=$(count_events version-file) pings=$(count_events ping-active)
  [ "$versions" = 1 ] || { say "the version file was requested $versions times"; return 1; }
  [ "$pings" = 1 ] || { say "the activity ping was sent $pings times"; return 1; }
  grep -q '^ActiveCount=1' "$(settings_file)" || { say "ActiveCount=1 is not in $(settings_file)"; return 1; }
  say "login page shown; version file requested once; activity ping sent once; ActiveCount=1"

  # QQ: the page's button opens the sign-in page as a pop-up, which the login
  # window hands to the quick-login window (880 x 420, centred).
  local x0=$(( (1920 - 1287) / 2 + 395 )) y0=$(( (1080 - 732) / 2 + 115 ))
  xdotool mousemove $((x0 + 476)) $((y0 + 412)) click 1
  wait_for_event qq-page || { say "the QQ sign-in page was not requested"; return 1; }
  sleep 2
  import -display "$DISPLAY" -window root "$SHOTS/login/quick-login-qq.png" &&
    say "screenshot $SHOTS/login/quick-login-qq.png"
  screenshot quick-login
  say "QQ: the sign-in page is shown in the quick-login window"
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

[ "$headless" = 1 ] && start_xvfb
start_platform
start_client

if [ "$headless" = 0 ]; then
  say "play in the client window; the platform's pages are listed on http://localhost:18080/"
  set +e
  wait "$client_pid"
  rc=$?
  set -e
  client_pid=
  say "the client has ended (exit code $rc)"
  exit 0
fi

journey || { say "the headless journey failed; screenshots in $SHOTS, records in $RECORDS"; exit 1; }
say "headless demo done; screenshots in $SHOTS, platform records in $RECORDS"
exit 0
