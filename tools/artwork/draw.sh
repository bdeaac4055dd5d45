#!/bin/sh
# Draws the skin artwork into a folder and stores every PNG as small as
# lossless PNG allows.  optipng keeps each image's colour type, bit depth and
# palette (-nx: the resource table fixes RGB, RGBA and palette images) and
# only searches the filters and deflate settings; the same input always gives
# the same bytes, so the committed artwork can be checked by drawing it again.
# usage: draw.sh GEN_ARTWORK FOLDER
set -eu
"$1" "$2"
optipng -quiet -nx -o7 -strip all "$2"/*.png
