#!/bin/sh
# A stand-in web browser for the journey: made the desktop's default browser
# for the journey's own home folder, it appends every address it is asked to
# open to LOG and fetches the loopback ones, so the platform records the
# visit as a real browser's would.
# usage: standin_browser.sh LOG ADDRESS...
log=$1
shift
for address in "$@"; do
  printf '%s\n' "$address" >>"$log"
  case "$address" in
    http://localhost:*|http://127.0.0.1:*)
      curl -s -o /dev/null --max-time 10 -A 'StandInBrowser/1.0' "$address" || true ;;
  esac
done
exit 0
