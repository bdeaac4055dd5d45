#!/bin/sh
# Draws the skin artwork into a folder and stores every PNG as small as
# lossless PNG allows.  optipng keeps each image's colour type, bit depth and
# palette (-nx: the resource table fixes RGB, RGBA and palette images) and
# searches the filters and deflate settings; zopflipng then tries its own
# filters with a stronger deflate, and its file is kept only where it is
# smaller and stores the very same image (zopflipng may pick another colour
# type or palette, which the resource table does not allow).  Both tools give
# the same bytes for the same input, so the committed artwork can be checked
# by drawing it again.
# usage: draw.sh GEN_ARTWORK FOLDER
set -eu
"$1" "$2"
optipng -quiet -nx -o7 -strip all "$2"/*.png
for png in "$2"/*.png; do
  zopflipng -y "$png" "$png.zopfli" >/dev/null
  if [ "$(wc -c <"$png.zopfli")" -lt "$(wc -c <"$png")" ] && "$1" --same-image "$png" "$png.zopfli"; then
    mv "$png.zopfli" "$png"
  else
    rm -f "$png.zopfli"
  fi
done
