#!/usr/bin/env bash
# Replaces the build's Wine prefix with a fresh one, so every test run starts
# from a clean Windows profile.  usage: fresh-wineprefix.sh PREFIX LOADER
set -u
prefix=$1
loader=$2
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
if ! "$loader" --version >/dev/null 2>&1; then
  echo "SKIPPED: '$loader' cannot start on this machine"
  exit 77
fi
wineserver -k 2>/dev/null || true
rm -rf "$prefix"
mkdir -p "$prefix"
timeout -k 10 300 xvfb-run -a "$loader" wineboot --init >/dev/null 2>&1
rc=$?
timeout 60 wineserver -w 2>/dev/null || true
[ -f "$prefix/system.reg" ] || { echo "wineboot failed ($rc)"; exit 1; }
# The skin's texts use the face "宋体" (SimSun), which Wine does not carry:
# it is replaced by the CJK font installed here, so Chinese texts render.
if fc-list | grep -qi "WenQuanYi Micro Hei"; then
  reg=$prefix/cjk-fonts.reg
  {
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
    printf '"SimSun"="WenQuanYi Micro Hei"\r\n"宋体"="WenQuanYi Micro Hei"\r\n\r\n'
    printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]\r\n'
    printf '"SimSun"="WenQuanYi Micro Hei"\r\n"宋体"="WenQuanYi Micro Hei"\r\n'
  } | iconv -f UTF-8 -t UTF-16 >"$reg"
  timeout -k 10 120 xvfb-run -a "$loader" regedit /S "$reg" >/dev/null 2>&1
  timeout 60 wineserver -w 2>/dev/null || true
fi
echo "fresh prefix at $prefix"
