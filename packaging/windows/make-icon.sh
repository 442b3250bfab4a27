#!/usr/bin/env bash
# Draws tallyguard.ico (256, 48, 32 and 16 pixels) from the same shapes as ../tallyguard.svg, with
# ImageMagick's own drawing, so no SVG reader is needed. Run it after changing the picture.
set -euo pipefail
cd "$(dirname "$0")"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
sizes=(256 48 32 16)
for size in "${sizes[@]}"; do
  scale=$(awk "BEGIN { print $size / 128 }")
  convert -size "${size}x${size}" xc:none \
    -fill '#1f5fbf' -draw "scale $scale,$scale roundrectangle 8,8 120,120 21,21" \
    -fill white -draw "scale $scale,$scale polygon 30,96 30,32 44,32 64,62 84,32 98,32 98,96 84,96 84,56 64,84 44,56 44,96" \
    "$scratch/$size.png"
done
pictures=()
for size in "${sizes[@]}"; do pictures+=("$scratch/$size.png"); done
convert "${pictures[@]}" tallyguard.ico
