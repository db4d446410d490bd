#!/usr/bin/env bash
# Draws the main window's pictures with ImageMagick: the logo and the arrows of the row buttons
# (drawn at 64x64 and scaled to 16x16, like the other control pictures). The PNGs are committed,
# so this is only needed to change a picture.
set -euo pipefail
cd "$(dirname "$0")"
ink='#1f3a5f'
signal='#c0392b'

# The encoder disk with its 16 slots, as ImageMagick arguments in the array disk.
# Arguments: centre, outer radius, slot half-width, slot start and end (distance from the centre),
# the white hub ring's radius and the ink hub's radius.
encoder_disk() {
  local c=$1 outer=$2 half=$3 from=$4 to=$5 ring=$6 hub=$7 slots="" i
  for i in $(seq 0 15); do
    slots+="push graphic-context translate $c,$c rotate $((i * 360 / 16)) rectangle -$half,-$to $half,-$from pop graphic-context "
  done
  disk=(-fill "$ink" -draw "circle $c,$c $c,$((c - outer))"
        -fill white -draw "$slots"
        -fill white -draw "circle $c,$c $c,$((c - ring))" -fill "$ink" -draw "circle $c,$c $c,$((c - hub))")
}

# Logo, 324 by 46: an encoder disk with its slots, the pulse train it gives, and the name.
encoder_disk 23 22 1.5 12 19 6 3
convert -size 324x46 xc:none "${disk[@]}" \
  -fill none -stroke "$signal" -strokewidth 2.5 \
  -draw "polyline 52,31 58,31 58,15 66,15 66,31 74,31 74,15 82,15 82,31 90,31 90,15 98,15 98,31 106,31 106,15 114,15 114,31 120,31" \
  -stroke none -fill "$ink" -font DejaVu-Sans-Bold -pointsize 34 -annotate +130+37 'KIV' \
  -fill '#50607a' -font DejaVu-Sans -pointsize 13 -annotate +208+36 'Givardiagnostik' \
  PNG32:kiv-logo.png

# Icon, 256 by 256, for the desktop menu: the logo's encoder disk alone, drawn at its size.
encoder_disk 128 125 8 67 106 33 17
convert -size 256x256 xc:none "${disk[@]}" PNG32:kiv-icon.png

# Up and down arrows: a head and a shaft.
convert -size 64x64 xc:none -fill '#2d5fa8' -stroke '#173461' -strokewidth 3 \
  -draw 'polygon 32,6 58,34 42,34 42,58 22,58 22,34 6,34' -resize 16x16 PNG32:arrow-up.png
convert arrow-up.png -flip PNG32:arrow-down.png
