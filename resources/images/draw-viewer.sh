#!/usr/bin/env bash
# Draws the database viewer's tool-button, connect-button and navigator pictures and the search
# dialog's button pictures with ImageMagick, at 64x64 scaled to 16x16. The PNGs are committed, so
# this is only needed to change a picture.
set -euo pipefail
cd "$(dirname "$0")"
finish() { local out=${*: -1}; convert "${@:1:$#-1}" -resize 16x16 PNG32:"$out"; }
canvas=(-size 64x64 xc:none)

# Close: an open door with an arrow leaving through it.
finish "${canvas[@]}" -fill '#8a5a2b' -stroke '#4a2e10' -strokewidth 3 -draw 'polygon 8,6 36,6 36,58 8,58' \
  -fill '#c98a4b' -draw 'polygon 8,6 24,12 24,62 8,58' -stroke none -fill '#f0d020' -draw 'circle 20,36 20,33' \
  -fill '#c0282d' -stroke '#6e1014' -strokewidth 2 -draw 'polygon 34,26 48,26 48,16 62,32 48,48 48,38 34,38' \
  db-close.png

# Print: a printer with a sheet coming out.
finish "${canvas[@]}" -fill white -stroke '#505050' -strokewidth 3 -draw 'rectangle 18,4 46,26' \
  -fill '#7c8796' -stroke '#2e3540' -draw 'roundrectangle 4,22 60,48 6,6' \
  -fill white -stroke '#505050' -draw 'rectangle 16,40 48,60' -stroke '#9aa0a8' -strokewidth 2 \
  -draw 'line 21,47 43,47' -draw 'line 21,53 43,53' -stroke none -fill '#3ad03a' -draw 'circle 52,30 52,27' \
  db-print.png

# Search: a magnifying glass.
finish "${canvas[@]}" -stroke '#3a3020' -strokewidth 9 -draw 'line 38,38 58,58' \
  -fill '#bfe3ff' -stroke '#24508c' -strokewidth 6 -draw 'circle 26,26 26,6' \
  -fill 'rgba(255,255,255,0.8)' -stroke none -draw 'ellipse 20,19 7,5 0,360' db-search.png

# Alias: a name tag on a string.
finish "${canvas[@]}" -fill '#f0c040' -stroke '#7a5a10' -strokewidth 3 \
  -draw 'polygon 24,10 58,10 58,54 24,54 6,32' -fill white -draw 'circle 18,32 18,28' \
  -stroke '#7a5a10' -strokewidth 3 -draw 'line 32,24 50,24' -draw 'line 32,32 50,32' -draw 'line 32,40 46,40' \
  db-alias.png

# Delete: a waste bin.
finish "${canvas[@]}" -fill '#9aa3ad' -stroke '#3a4048' -strokewidth 3 -draw 'polygon 14,18 50,18 46,60 18,60' \
  -draw 'rectangle 8,10 56,18' -draw 'rectangle 24,4 40,10' -strokewidth 3 \
  -draw 'line 24,26 25,52' -draw 'line 32,26 32,52' -draw 'line 40,26 39,52' db-delete.png

# Update: a circular arrow.
finish "${canvas[@]}" -fill none -stroke '#1c7a2c' -strokewidth 8 -draw 'arc 12,12 52,52 20,300' \
  -stroke '#0e4a16' -strokewidth 2 -fill '#1c7a2c' -draw 'polygon 56,22 34,25 47,2' db-update.png

# Help: a question mark on a blue disc.
finish "${canvas[@]}" -fill '#2d6fc0' -stroke '#173a66' -strokewidth 3 -draw 'circle 32,32 32,3' \
  -fill white -stroke none -font DejaVu-Sans-Bold -pointsize 46 -gravity center -annotate +0+2 '?' db-help.png

# Connect button: the plug in its socket (down) and pulled out (up).
plug=(-fill '#404850' -stroke '#202428' -strokewidth 2 -draw 'rectangle 38,22 52,42' -draw 'rectangle 52,26 62,38')
finish "${canvas[@]}" "${plug[@]}" -fill '#c8a040' -stroke '#6a5010' -draw 'rectangle 26,25 38,28' \
  -draw 'rectangle 26,36 38,39' -fill '#2a9a3a' -stroke '#135a1c' -strokewidth 3 -draw 'rectangle 4,16 28,48' \
  db-connected.png
finish "${canvas[@]}" "${plug[@]}" -fill '#c8a040' -stroke '#6a5010' -draw 'rectangle 24,25 38,28' \
  -draw 'rectangle 24,36 38,39' -fill '#a03030' -stroke '#5a1010' -strokewidth 3 -draw 'rectangle 2,16 16,48' \
  db-disconnected.png

# Navigator: first, previous, next, last.
nav() { finish "${canvas[@]}" -fill '#2d5fa8' -stroke '#173461' -strokewidth 3 "$@"; }
nav -draw 'rectangle 10,12 18,52' -draw 'polygon 54,12 54,52 22,32' nav-first.png
nav -draw 'polygon 46,12 46,52 14,32' nav-prior.png
nav -draw 'polygon 18,12 18,52 50,32' nav-next.png
nav -draw 'rectangle 46,12 54,52' -draw 'polygon 10,12 10,52 42,32' nav-last.png

# Search dialog buttons.
finish "${canvas[@]}" -fill none -stroke '#1c8a2c' -strokewidth 10 -draw 'polyline 8,34 26,52 56,12' btn-ok.png
finish "${canvas[@]}" -fill none -stroke '#c0282d' -strokewidth 10 -draw 'line 12,12 52,52' -draw 'line 52,12 12,52' \
  btn-cancel.png

# History: a small chart, a rising line over bars with a red fault marker.
finish "${canvas[@]}" -fill white -stroke '#505050' -strokewidth 3 -draw 'rectangle 4,4 60,60' \
  -fill '#9cc0e8' -stroke '#2d5fa8' -strokewidth 2 -draw 'rectangle 12,40 20,56' -draw 'rectangle 26,32 34,56' \
  -draw 'rectangle 40,44 48,56' -fill none -stroke '#1c7a2c' -strokewidth 4 -draw 'polyline 10,34 24,22 38,28 54,10' \
  -fill '#d01010' -stroke '#600000' -strokewidth 2 -draw 'polygon 38,14 46,28 30,28' db-history.png
