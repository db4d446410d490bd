#!/usr/bin/env bash
# Draws the control-window, options-dialog and browser pictures with ImageMagick. Each picture is
# drawn at 64x64 and scaled to 16x16 so the edges come out smooth. Run from anywhere; the PNGs are
# committed, so this is only needed to change a picture.
set -euo pipefail
cd "$(dirname "$0")"
finish() { local out=${*: -1}; convert "${@:1:$#-1}" -resize 16x16 PNG32:"$out"; }

led() { # name inner outer rim highlight-opacity
  convert -size 64x64 radial-gradient:"$2-$3" \
    \( -size 64x64 xc:none -fill "rgba(255,255,255,$5)" -draw 'ellipse 25,22 10,7 0,360' -blur 0x3 \) \
    -compose over -composite \
    \( -size 64x64 xc:black -fill white -draw 'circle 32,32 32,5' \) -alpha off -compose copy_opacity -composite \
    -fill none -stroke "$4" -strokewidth 4 -draw 'circle 32,32 32,6' -resize 16x16 PNG32:"$1.png"
}
led led-on '#7dff5c' '#138a13' '#0e4a0e' 0.85
led led-off '#5d6b5d' '#273027' '#161c16' 0.35

triangle() { # name points
  finish -size 64x64 xc:none -fill '#2d5fa8' -stroke '#173461' -strokewidth 3 -draw "polygon $2" "$1.png"
}
triangle arrow-expand '10,20 54,20 32,48'
triangle arrow-collapse '10,46 54,46 32,18'

finish -size 64x64 xc:none -fill '#2d8a3a' -stroke '#145020' -strokewidth 3 \
  -draw 'polygon 6,32 30,8 30,22 58,22 58,42 30,42 30,56' go-back.png
convert go-back.png -flop PNG32:go-forward.png

finish -size 64x64 xc:none -fill '#3a4f8c' -stroke '#1c2748' -strokewidth 3 -draw 'polygon 6,6 50,6 58,14 58,58 6,58' \
  -stroke none -fill '#e8e8e8' -draw 'rectangle 16,8 46,26' -fill '#3a4f8c' -draw 'rectangle 38,11 43,23' \
  -fill '#d0d4dc' -draw 'rectangle 14,36 50,56' -stroke '#8890a0' -strokewidth 2 \
  -draw 'line 18,42 46,42' -draw 'line 18,49 46,49' save.png

cylinder=(-size 64x64 xc:none -stroke '#6b4410' -strokewidth 3
  -fill '#c98a2b' -draw 'rectangle 10,14 54,50' -draw 'ellipse 32,50 22,8 0,180'
  -fill '#f0c070' -draw 'ellipse 32,14 22,8 0,360'
  -fill none -draw 'ellipse 32,28 22,8 0,180' -draw 'ellipse 32,40 22,8 0,180')
finish "${cylinder[@]}" database.png
finish "${cylinder[@]}" -stroke '#1a6b1a' -strokewidth 9 -draw 'line 46,36 46,60' -draw 'line 34,48 58,48' \
  database-init.png

finish -size 64x64 xc:none -fill '#e0b341' -stroke '#7a5a10' -strokewidth 3 \
  -draw 'polygon 4,14 24,14 30,20 60,20 60,54 4,54' -fill '#f3cf6a' -draw 'polygon 4,54 12,28 63,28 58,54' folder.png
