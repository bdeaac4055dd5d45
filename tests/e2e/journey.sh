#!/usr/bin/env bash
# The player's whole journey on the Linux demo build, against the demo
# platform, under its own Xvfb, with xdotool as the player's hands:
#   the login page, an account typed, the game window, its title following
#   the page, a refresh from the menu, the pay button and a pop-up link in the
#   user's browser, "wd_returnlogin=1" back to the login window, QQ sign-in
#   through the quick-login window, the close button and its question, the end
#   of the process.
# Each step keeps a screenshot in SHOTS (and a contact sheet, contact-sheet.png);
# the checks are made on what the platform recorded and on the settings file.
#
# usage: journey.sh CLIENT WORK_FOLDER SHOTS_FOLDER
# JOURNEY_WAIT: seconds a step may wait for its condition (default 40).
# Exit codes: 0 the journey held, 1 a step failed, 77 a tool is missing.
set -uo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/../.." && pwd)
CLIENT=${1:?usage: journey.sh CLIENT WORK_FOLDER SHOTS_FOLDER}
WORK=${2:?usage: journey.sh CLIENT WORK_FOLDER SHOTS_FOLDER}
SHOTS=${3:?usage: journey.sh CLIENT WORK_FOLDER SHOTS_FOLDER}
WAIT=${JOURNEY_WAIT:-40}
RECORDS=$WORK/records.jsonl
BROWSER_LOG=$WORK/browser.log
TITLE=${JOURNEY_TITLE:-VexaOrvane}  # every window of the client carries the program's title
LOGIN_SIZE=1287x732                # the login skin
ACCOUNT=journeyer
QQ_ACCOUNT=qqwalker

for tool in Xvfb xdotool xprop import montage convert curl; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
[ -x "$CLIENT" ] || { echo "FAIL: no client at $CLIENT"; exit 1; }

say() { printf '[journey] %s\n' "$*"; }
xvfb_pid= platform_pid= client_pid=

# shellcheck source=processes.sh
. "$HERE/processes.sh"
stop_all_on_exit

fail() {
  say "FAIL: $*"
  shot failure 2>/dev/null || true
  contact_sheet 2>/dev/null || true
  say "platform records:"
  /usr/bin/python3 "$HERE/journey_records.py" "$RECORDS" summary | tail -40
  [ -f "$BROWSER_LOG" ] && { say "browser log:"; cat "$BROWSER_LOG"; }
  [ -f "$WORK/client.log" ] && { say "client log (end):"; tail -20 "$WORK/client.log"; }
  exit 1
}

# --- what the platform recorded ---------------------------------------------------------------
count() { /usr/bin/python3 "$HERE/journey_records.py" "$RECORDS" count "$@"; }
field() { /usr/bin/python3 "$HERE/journey_records.py" "$RECORDS" field "$@"; }

# wait_until DESCRIPTION COMMAND...: until COMMAND succeeds, at most WAIT
# seconds, while the client runs.
wait_until() {
  local what=$1 deadline=$((SECONDS + WAIT))
  shift
  until "$@"; do
    [ $SECONDS -lt $deadline ] || fail "$what (not within ${WAIT} s)"
    if [ -n "$client_pid" ] && ! kill -0 "$client_pid" 2>/dev/null; then
      fail "$what (the client has ended)"
    fi
    sleep 0.2
  done
}
# at_least N EVENT [CONDITIONS...]
at_least() { local n=$1; shift; [ "$(count "$@")" -ge "$n" ]; }
wait_event() {
  local n=$1; shift
  wait_until "the platform records $* (${n} times)" at_least "$n" "$@"
}

# --- windows ----------------------------------------------------------------------------------
# The client's visible windows, one per line: "ID X Y WIDTH HEIGHT".
client_windows() {
  local id geometry X Y WIDTH HEIGHT
  for id in $(xdotool search --onlyvisible --name "^${TITLE}\$" 2>/dev/null); do
    # A window may go between the search and this question.
    geometry=$(xdotool getwindowgeometry --shell "$id" 2>/dev/null) || continue
    X= Y= WIDTH= HEIGHT=
    eval "$geometry"
    [ -n "$WIDTH" ] && [ -n "$HEIGHT" ] || continue
    echo "$id $X $Y $WIDTH $HEIGHT"
  done
}
# The login window: the skin's size, kept above the backdrop (its owner) of the
# same size.  The game window: wider than the skin.  The quick-login window:
# smaller than the skin.
transient() { xprop -id "$1" WM_TRANSIENT_FOR 2>/dev/null | grep -q 'window id'; }
login_window() {
  client_windows | while read -r id x y w h; do
    [ "${w}x${h}" = "$LOGIN_SIZE" ] && transient "$id" && { echo "$id $x $y $w $h"; break; }
  done
}
game_window() {
  client_windows | while read -r id x y w h; do
    [ "$w" -gt "${LOGIN_SIZE%x*}" ] && { echo "$id $x $y $w $h"; break; }
  done
}
quick_window() {
  client_windows | while read -r id x y w h; do
    [ "$w" -lt "${LOGIN_SIZE%x*}" ] && [ "$h" -gt 200 ] && { echo "$id $x $y $w $h"; break; }
  done
}
shown() { [ -n "$("$1")" ]; }
gone() { [ -z "$("$1")" ]; }
dialog() { xdotool search --onlyvisible --name '^提示$' 2>/dev/null | head -1; }

# click_at X Y: a real click of the left button on the screen.
click_at() { xdotool mousemove --sync "$1" "$2" click 1; }
# focus ID: the keyboard goes to that window (there is no window manager).
focus() { xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"; }
# page_keys: the game page gets the keyboard: its window, then a click on
# the page below the strip (the game's field, which a click does not change).
page_keys() {
  focus "$1"
  click_at $((gx + gw / 2)) $((gy + gh / 2))
  sleep 0.3
}
# answer Y|N: the question box gets the keyboard and its answer.
answer() {
  local box
  box=$(dialog)
  [ -n "$box" ] || fail "no question box to answer"
  focus "$box"
  xdotool key "alt+$1"
}

# --- screenshots ------------------------------------------------------------------------------
shot_number=0
shot() {
  shot_number=$((shot_number + 1))
  local file
  file=$(printf '%s/%02d-%s.png' "$SHOTS" "$shot_number" "$1")
  import -window root "$file" && say "screenshot $file"
  last_shot=$file
}
contact_sheet() {
  local shots=("$SHOTS"/[0-9][0-9]-*.png)
  [ -e "${shots[0]}" ] || return 0
  montage -label '%t' -font DejaVu-Sans -pointsize 14 -geometry 480x270+6+6 -tile 4x -background '#d8d8d8' \
    "${shots[@]}" "$SHOTS/contact-sheet.png" && say "contact sheet $SHOTS/contact-sheet.png"
}
# region_of FILE WIDTHxHEIGHT+X+Y: the region's pixels, as a checksum.
region_sum() { convert "$1" -crop "$2" +repage rgb:- | md5sum | cut -d' ' -f1; }

# --- the stage: display, home folder with its default browser, platform, client ----------------
rm -rf "$WORK" "$SHOTS"
mkdir -p "$WORK/home" "$WORK/config" "$WORK/data/applications" "$WORK/tmp" "$SHOTS"
: >"$BROWSER_LOG"

# The stand-in browser is this home's default for web addresses.
cat >"$WORK/data/applications/standin-browser.desktop" <<EOF
[Desktop Entry]
Type=Application
Name=Stand-in Browser
Exec="$HERE/standin_browser.sh" "$BROWSER_LOG" %U
MimeType=x-scheme-handler/http;x-scheme-handler/https;text/html;
NoDisplay=true
EOF
cat >"$WORK/config/mimeapps.list" <<EOF
[Default Applications]
x-scheme-handler/http=standin-browser.desktop
x-scheme-handler/https=standin-browser.desktop
text/html=standin-browser.desktop
EOF

Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$WORK/xvfb.display" 2>"$WORK/xvfb.log" &
xvfb_pid=$!
wait_until "Xvfb gives its display" test -s "$WORK/xvfb.display"
export DISPLAY=":$(head -1 "$WORK/xvfb.display")"

/usr/bin/python3 "$ROOT/tools/demo-platform/demo_platform.py" --record "$RECORDS" \
  --ready-file "$WORK/platform.json" --watch-pid $$ --quiet --log "$WORK/platform.log" &
platform_pid=$!
wait_until "the demo platform gets ready" test -f "$WORK/platform.json"

settings="$WORK/config/Vexa游戏/tavo/Wayfar.ini"
(
  unset BROWSER DBUS_SESSION_BUS_ADDRESS
  export HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/config" XDG_DATA_HOME="$WORK/data" \
    XDG_DATA_DIRS="$WORK/data:/usr/local/share:/usr/share" TMPDIR="$WORK/tmp" \
    WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS=1 WEBKIT_DISABLE_COMPOSITING_MODE=1 \
    LIBGL_ALWAYS_SOFTWARE=1 NO_AT_BRIDGE=1 GTK_A11Y=none
  exec "$CLIENT"
) >"$WORK/client.log" 2>&1 &
client_pid=$!
say "client $CLIENT (pid $client_pid) on display $DISPLAY; records in $RECORDS"

# --- 1. the login page ------------------------------------------------------------------------
wait_event 1 start-page
wait_event 1 version-file
wait_event 1 ping-active
wait_until "the login window is shown" shown login_window
read -r login_id _ <<<"$(login_window)"
sleep 1  # the page paints
shot login-page

# --- 2. an account typed; Return signs in; the game window opens --------------------------------
# The account field has the focus once the window has the keyboard.
focus "$login_id"
xdotool type --delay 40 "$ACCOUNT"
xdotool key Return
wait_event 1 sign-in "account=$ACCOUNT"
wait_event 1 game-page "user=$ACCOUNT"
wait_until "the game window opens" shown game_window
wait_until "the login window hides" gone login_window
read -r game_id gx gy gw gh <<<"$(game_window)"
say "game window $game_id at $gx,$gy, ${gw} wide"
sleep 1
shot game-window

# --- 3. the title follows the page: the strip's title changes as the score does ------------------
title_region="300x20+$((gx + 40))+$((gy + 4))"
first_title=$(region_sum "$last_shot" "$title_region")
title_changed() {
  local f=$WORK/title.png
  import -window root "$f" 2>/dev/null && [ "$(region_sum "$f" "$title_region")" != "$first_title" ]
}
wait_until "the title strip follows the page's title" title_changed
shot title-follows

# Buttons of the strip, from the right edge: close 28, maximise 27, minimise 28,
# tray 27, a gap of 20, the menu 38, then 5 + 38 each: service, forum, site, pay.
close_x=$((gx + gw - 14)) menu_x=$((gx + gw - 149)) pay_x=$((gx + gw - 321)) strip_y=$((gy + 14))

# --- 4. refresh from the menu: its first item --------------------------------------------------
pages=$(count game-page "user=$ACCOUNT")
focus "$game_id"
click_at "$menu_x" "$strip_y"
sleep 0.5
shot menu
xdotool key Down Return
wait_event $((pages + 1)) game-page "user=$ACCOUNT"
[ "$(count game-page "user=$ACCOUNT" new_session=True)" -le 1 ] ||
  fail "the refresh started a new session"

# --- 5. the pay button: the pay page in the user's browser, and the browser ping ----------------
browser_pings=$(count browser-ping-other)
click_at "$pay_x" "$strip_y"
pay_opened() { grep -q "/pay.html?gid=1062&sid=.*&uid=$ACCOUNT" "$BROWSER_LOG"; }
wait_until "the pay page opens in the user's browser" pay_opened
wait_event 1 pay-page "uid=$ACCOUNT"
wait_event $((browser_pings + 1)) browser-ping-other
shot pay-button

# --- 6. a pop-up link goes to the user's browser ------------------------------------------------
page_keys "$game_id"
browser_pings=$(count browser-ping-other)
xdotool key p
news_opened() { grep -q "/news.html?from=game" "$BROWSER_LOG"; }
wait_until "the pop-up link opens in the user's browser" news_opened
wait_event $((browser_pings + 1)) browser-ping-other
wait_event 1 news
shown game_window || fail "the game window went away with the pop-up"
shot popup-link

# --- 7. "wd_returnlogin=1": back to the login window, which loads its page again ---------------
starts=$(count start-page)
page_keys "$game_id"
xdotool key l
# The client acts on the address before it loads: the platform may or may not
# see "/logout"; the game window going and the login page loading again show it.
wait_until "the game window closes" gone game_window
wait_until "the login window comes back" shown login_window
wait_event $((starts + 1)) start-page
read -r login_id _ <<<"$(login_window)"
sleep 1
shot back-to-login

# --- 8. QQ sign-in through the quick-login window -----------------------------------------------
# The login page's keyboard order: account, password, server, sign-in, QQ.
focus "$login_id"
xdotool key --delay 100 Tab Tab Tab Tab Return
wait_event 1 qq-page
wait_until "the quick-login window opens" shown quick_window
read -r quick_id _ <<<"$(quick_window)"
sleep 1
shot qq-window
focus "$quick_id"
xdotool type --delay 40 "$QQ_ACCOUNT"
xdotool key Return
wait_event 1 qq-authorize "account=$QQ_ACCOUNT"
wait_event 1 game-page "user^=qq_"
wait_until "the game window opens after QQ sign-in" shown game_window
read -r game_id gx gy gw gh <<<"$(game_window)"
sleep 1
shot qq-game-window

# --- 9. the game window's close button asks first; "No" keeps playing, "Yes" goes back to login --
close_x=$((gx + gw - 14)) strip_y=$((gy + 14))
focus "$game_id"
click_at "$close_x" "$strip_y"
wait_until "the game window's close button asks its question" shown dialog
shot game-close-question
answer n
wait_until "the question goes away" gone dialog
sleep 0.5
shown game_window || fail "\"No\" closed the game window"
starts=$(count start-page)
focus "$game_id"
click_at "$close_x" "$strip_y"
wait_until "the close button asks again" shown dialog
answer y
wait_until "the game window closes" gone game_window
wait_until "the login window comes back" shown login_window
wait_event $((starts + 1)) start-page

# --- 10. the login window's close button: its question, then the process ends -------------------
read -r login_id lx ly _ <<<"$(login_window)"
focus "$login_id"
click_at $((lx + 1165)) $((ly + 83))
wait_until "the login window's close button asks its question" shown dialog
shot login-close-question
answer y
process_ended() { ! kill -0 "$client_pid" 2>/dev/null; }
wait_until "the process ends" process_ended
wait "$client_pid"
rc=$?
client_pid=
[ "$rc" = 0 ] || fail "the client exited with code $rc"
shot ended

# --- what the platform and the settings file hold at the end -------------------------------------
[ "$(count version-file)" = 1 ] || fail "the version file was requested $(count version-file) times"
[ "$(count ping-active)" = 1 ] || fail "the activity ping was sent $(count ping-active) times"
[ "$(count browser-ping-other)" = 2 ] ||
  fail "$(count browser-ping-other) browser pings instead of 2 (pay page, pop-up)"
[ "$(count bad-request)" = 0 ] && [ "$(count internal-error)" = 0 ] ||
  fail "the platform answered bad requests"
[ "$(wc -l <"$BROWSER_LOG")" = 2 ] || fail "the browser opened $(wc -l <"$BROWSER_LOG") pages, not 2"
[ -f "$settings" ] || fail "no settings file at $settings"
grep -q '^RunCount=1' "$settings" || fail "RunCount is not 1"
grep -q '^ActiveCount=1' "$settings" || fail "ActiveCount is not 1"
grep -q '^ErrorUrl=' "$settings" && fail "an error address was kept"
guid=$(sed -n 's/^GUID=//p' "$settings" | tr -d '\r')
[ -n "$guid" ] || fail "no GUID in the settings file"
[ "$(field ping-active guid)" = "$guid" ] || fail "the activity ping's GUID is not the settings file's"
contact_sheet
say "the journey held: $(wc -l <"$RECORDS") requests recorded, $shot_number screenshots in $SHOTS"
exit 0
