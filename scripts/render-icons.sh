#!/usr/bin/env bash
# Renders data/icons/tallyline.svg into the PNG sizes of the icon theme
# (data/icons/NxN/tallyline.png). The PNGs are kept in the repository, so a
# build needs no SVG renderer; run this after changing the SVG. Needs
# rsvg-convert (Debian package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../data/icons"
for size in 16 22 24 32 48 64 128 256; do
    mkdir -p "${size}x${size}"
    rsvg-convert --width "$size" --height "$size" --keep-aspect-ratio --output "${size}x${size}/tallyline.png" tallyline.svg
done
