#!/usr/bin/env bash
# Painting two skinned forms, the login form (1287 x 732) and the game
# window's title strip at 1920 wide, against one plain copy of a bitmap of the
# form's size, on each backend measurable here: cairo (GTK build), the
# software canvas (the fake backend's) and GDI (the Windows sources for x86-64
# under wine64).  Prints "<backend> <form> paint/copy ratio: <number>" per
# backend and form, and the same after a button changed its look.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
status=0
linux=$root/build/linux
[ -x "$linux/paint_bench" ] || cmake --build "$linux" --target paint_bench -j2 >/dev/null || status=1
"$linux/paint_bench" gtk-cairo --software || status=1

win=$root/build/windows-wine64
loader=/usr/lib/wine/wine64
if [ -x "$loader" ] && { [ -d "$win" ] || cmake --preset windows-wine64 -S "$root" >/dev/null 2>&1; }; then
  if cmake --build "$win" --target paint_bench -j2 >/dev/null; then
    "$root/tools/wine-run.sh" "$win/bench-wineprefix" "$loader" "$win/paint_bench.exe" win32-gdi \
      | tr -d '\r' || status=1
  else
    echo "win32-gdi: not measured (build failed)"
  fi
else
  echo "win32-gdi: not measured (no wine64 here)"
fi
exit $status
