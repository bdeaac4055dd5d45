#!/usr/bin/env bash
# Shows the skin probe's windows on a fresh Xvfb display, screenshots the
# screen, moves the mouse over a button and screenshots again, and checks the
# pixels the probe expects.  Screenshots stay in OUTDIR.
# usage: skin_screens.sh OUTDIR PROGRAM            (Linux)
#        skin_screens.sh OUTDIR PROGRAM.exe LOADER PREFIX   (Wine)
set -u
out=$1
exe=$2
loader=${3:-}
prefix=${4:-}
here=$(cd "$(dirname "$0")" && pwd)
fail() { echo "FAIL: $*"; cleanup; exit 1; }
rm -rf "$out"
mkdir -p "$out" "$out/home/config" "$out/home/tmp"
export XDG_CONFIG_HOME=$out/home/config TMPDIR=$out/home/tmp

if [ -n "$loader" ]; then
  if ! "$loader" --version >/dev/null 2>&1; then echo "SKIPPED: $loader cannot start here"; exit 77; fi
  export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
fi

display=""
for n in $(seq 91 140); do
  [ -e /tmp/.X$n-lock ] && continue
  Xvfb :$n -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  sleep 1
  if kill -0 $xvfb 2>/dev/null; then display=:$n; break; fi
done
[ -n "$display" ] || { echo "FAIL: no Xvfb display"; exit 1; }
export DISPLAY=$display
probe=""
cleanup() {
  touch "$out/done"
  [ -n "$probe" ] && { timeout 20 tail --pid=$probe -f /dev/null; kill $probe 2>/dev/null; }
  [ -n "$loader" ] && timeout 20 wineserver -k 2>/dev/null
  kill $xvfb 2>/dev/null
}

if [ -n "$loader" ]; then
  # Wine's drive Z: is the root folder.
  outw="Z:$(tr / '\\' <<<"$out")"
  "$loader" "$exe" "$outw" >"$out/probe.log" 2>&1 &
else
  "$exe" "$out" >"$out/probe.log" 2>&1 &
fi
probe=$!
for i in $(seq 1 600); do
  [ -f "$out/ready" ] && break
  kill -0 $probe 2>/dev/null || fail "the probe ended early: $(cat "$out/probe.log")"
  sleep 0.1
done
[ -f "$out/ready" ] || fail "the probe did not get ready"

status=0
import -window root -depth 8 "$out/shot1.ppm" || fail "no screenshot"
convert "$out/shot1.ppm" "$out/shot1.png"
/usr/bin/python3 "$here/check_pixels.py" "$out/shot1.ppm" "$out/expect1.txt" || status=1

read -r mx my < "$out/mouse.txt"
# From a spot no window covers, then onto the button.
xdotool mousemove 1900 1070
sleep 0.5
xdotool mousemove $((mx - 30)) $((my + 30))
sleep 0.3
xdotool mousemove "$mx" "$my"
sleep 1.5
import -window root -depth 8 "$out/shot2.ppm" || fail "no second screenshot"
convert "$out/shot2.ppm" "$out/shot2.png"
/usr/bin/python3 "$here/check_pixels.py" "$out/shot2.ppm" "$out/expect2.txt" || status=1
rm -f "$out"/*.ppm
cleanup
[ $status -eq 0 ] && echo "skin screens: ok ($out)" || echo "skin screens: FAILED ($out)"
exit $status
