#!/bin/sh
# Renders the PNG sizes of the program's icon from tandrix.svg. The PNGs are kept in the
# repository so that a build needs no SVG renderer; run this after changing the SVG
# (needs rsvg-convert from librsvg2-bin).
set -eu
cd "$(dirname "$0")"
for size in 16 22 24 32 48 64 128 256; do
    rsvg-convert --width "$size" --height "$size" --output "icons/tandrix-$size.png" tandrix.svg
done
