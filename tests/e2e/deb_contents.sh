#!/usr/bin/env bash
# Makes the Linux package with CPack and checks what it holds: exactly the
# program, its desktop entry (desktop-file-validate clean) and its icon in the
# hicolor theme; the control fields; and that the packaged program runs.
# usage: deb_contents.sh BUILD_FOLDER WORK_FOLDER
set -u
build=$1
work=$2
fail() { echo "FAIL: $*"; exit 1; }
rm -rf "$work" && mkdir -p "$work"
(cd "$build" && cpack -B "$work" >"$work/cpack.log" 2>&1) || fail "cpack: $(cat "$work/cpack.log")"
deb=$(ls "$work"/vexa_*_amd64.deb 2>/dev/null | head -1)
[ -f "$deb" ] || fail "no package in $work: $(ls "$work")"
[ "$(basename "$deb")" = vexa_3.0.0_amd64.deb ] || fail "unexpected file name $deb"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = vexa ] || fail "Package: $(field Package)"
[ "$(field Version)" = 3.0.0 ] || fail "Version: $(field Version)"
[ "$(field Architecture)" = amd64 ] || fail "Architecture: $(field Architecture)"
[ "$(field Section)" = games ] || fail "Section: $(field Section)"
for dep in libgtk-3-0 libwebkit2gtk-4.1-0 libcurl4 libpng16-16; do
  field Depends | grep -q "$dep" || fail "Depends lacks $dep: $(field Depends)"
done

# Exactly these files, with these modes.
files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $1, $6}' | sort)
expected=$(sort <<'EOF'
-rwxr-xr-x ./usr/bin/vexa
-rw-r--r-- ./usr/share/applications/vexa.desktop
-rw-r--r-- ./usr/share/icons/hicolor/32x32/apps/vexa.png
-rw-r--r-- ./usr/share/icons/hicolor/48x48/apps/vexa.png
-rw-r--r-- ./usr/share/icons/hicolor/128x128/apps/vexa.png
-rw-r--r-- ./usr/share/icons/hicolor/256x256/apps/vexa.png
EOF
)
[ "$files" = "$expected" ] || fail "package files:
$files
expected:
$expected"

root=$work/root
dpkg-deb -x "$deb" "$root"
desktop=$root/usr/share/applications/vexa.desktop
out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $out"
[ -z "$out" ] || fail "desktop-file-validate reports: $out"
grep -qx 'Exec=vexa' "$desktop" || fail "the entry does not start vexa"
grep -qx 'Icon=vexa' "$desktop" || fail "the entry's icon is not vexa"
for size in 32 48 128 256; do
  png=$root/usr/share/icons/hicolor/${size}x${size}/apps/vexa.png
  file "$png" | grep -q "PNG image data, $size x $size" || fail "icon $size: $(file "$png")"
done
file "$root/usr/bin/vexa" | grep -q 'ELF 64-bit.*, stripped' || fail "program: $(file "$root/usr/bin/vexa")"

# The packaged program runs: its show-desktop run ends by itself.
mkdir -p "$work/home/config" "$work/home/tmp"
XDG_CONFIG_HOME=$work/home/config TMPDIR=$work/home/tmp timeout 60 xvfb-run -a "$root/usr/bin/vexa" /ShowDeskTop
rc=$?
[ $rc -eq 0 ] || fail "the packaged program's /ShowDeskTop run exited $rc"
[ -f "$work/home/config/Vexa游戏/tavo/Wayfar.ini" ] || fail "the packaged program wrote no settings"
echo "deb contents: ok ($(basename "$deb"), $(stat -c %s "$deb") bytes)"
