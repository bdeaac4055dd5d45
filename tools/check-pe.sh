#!/usr/bin/env bash
# Checks that a Windows executable is a GUI program of the expected machine
# type whose imports are only DLLs that ship with Windows.
# usage: check-pe.sh PROGRAM PROCESSOR(i686|x86_64)
set -u
exe=$1
cpu=$2
fail() { echo "FAIL: $*"; exit 1; }
case $cpu in
  i686) objdump=i686-w64-mingw32-objdump; format='pei-i386'; magic='010b' ;;
  *) objdump=x86_64-w64-mingw32-objdump; format='pei-x86-64'; magic='020b' ;;
esac
headers=$($objdump -p "$exe") || fail "objdump failed"
grep -q "file format $format" <<<"$headers" || fail "not $format"
grep -qE "^Magic\s+$magic" <<<"$headers" || fail "optional header magic is not $magic"
grep -qE '^Subsystem\s+00000002' <<<"$headers" || fail "not a Windows GUI program"
grep -q 'requestedExecutionLevel level="asInvoker" uiAccess="false"' "$exe" \
  || fail "no manifest asking for asInvoker"
allowed='^(kernel32|user32|gdi32|msimg32|gdiplus|ole32|oleaut32|shell32|shlwapi|advapi32|wininet|bcrypt|iphlpapi|comctl32|msvcrt|version|uxtheme)\.dll$'
status=0
while read -r dll; do
  lower=$(tr 'A-Z' 'a-z' <<<"$dll")
  if grep -qE "$allowed" <<<"$lower"; then echo "import: $dll"; else echo "FAIL: imports $dll"; status=1; fi
done < <(sed -n 's/^\s*DLL Name: //p' <<<"$headers")
[ $status -eq 0 ] && echo "$exe: $format GUI, system DLLs only"
exit $status
