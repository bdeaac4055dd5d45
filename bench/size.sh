#!/usr/bin/env bash
# The size of the product: the 32-bit Windows release program as built (for
# size, link-time optimised, unused sections dropped, stripped), with the skin
# art it carries.  Prints "exe size: <bytes> bytes", the art's share and the
# program's sections beside it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/windows
cmake --preset windows -S "$root" >/dev/null
cmake --build "$build" -j2 --target vexa >/dev/null
exe=$build/Vexatavo.exe
art=$(cat "$root"/resources/skin/*.png "$root"/resources/skin/*.ico | wc -c)
echo "skin art: $art bytes (PNG resources and the icon, stored by optipng and zopflipng)"
# Section name and size (hexadecimal in objdump's table) of each section.
sections=$(i686-w64-mingw32-objdump -h "$exe" | while read -r index name size _; do
  if [[ $index =~ ^[0-9]+$ ]]; then printf '%s %d, ' "$name" "$((16#$size))"; fi
done)
echo "exe sections: ${sections%, }"
echo "exe size: $(stat -c %s "$exe") bytes"
