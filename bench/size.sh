#!/usr/bin/env bash
# The size of the product: the 32-bit Windows release program as built (for
# size, unused sections dropped, stripped), with the skin art it carries.
# Prints "exe size: <bytes> bytes" and the art's share beside it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/windows
cmake --preset windows -S "$root" >/dev/null
cmake --build "$build" -j2 --target vexa >/dev/null
exe=$build/Vexatavo.exe
art=$(cat "$root"/resources/skin/*.png "$root"/resources/skin/*.ico | wc -c)
echo "skin art: $art bytes (PNG resources and the icon, stored by optipng)"
echo "exe size: $(stat -c %s "$exe") bytes"
