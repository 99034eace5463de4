#!/usr/bin/env bash
# Draws the pictures of surfres.dll into a folder: tools/draw-surfres.sh OUTDIR
#
#   surfdeck.ico  icon 300: a page with a globe on it and a remote's digit
#                 button at its corner (32x32, and 16x16 drawn on its own)
#
# Icons are 256-colour images with a 1-bit mask, which every Windows shows.
# The 16x16 image is drawn at its size rather than scaled down from 32, so
# its few lines stay sharp. The output depends only on these commands,
# ImageMagick and its DejaVu fonts.
set -euo pipefail
out=${1:?usage: draw-surfres.sh OUTDIR}
mkdir -p "$out"
source "$(dirname "${BASH_SOURCE[0]}")/picture-files.sh"

paper='#FFFFFF'
fold='#D0D8E4'
edge='#404858'
sea='#2F6FD0'
sea_edge='#183C78'
land='#3CB048'
grid='#A8C8F0'
button='#F08020'
button_edge='#904000'

# --- 32x32: a page with its corner folded, a globe with its meridian and
# parallels, and a round orange button bearing the digit 1 at the lower right
"$im" -size 32x32 xc:none \
  -fill "$paper" -stroke "$edge" -strokewidth 1 -draw 'polygon 4,1 20,1 26,7 26,29 4,29' \
  -fill "$fold" -draw 'polygon 20,1 20,7 26,7' \
  -fill "$sea" -stroke "$sea_edge" -draw 'circle 15,15 15,6' \
  -fill "$land" -stroke none \
  -draw 'polygon 10,10 14,8 16,10 14,13 15,16 12,18 10,15' \
  -draw 'polygon 17,14 21,13 22,17 19,21 17,19' \
  -fill none -stroke "$grid" -strokewidth 1 \
  -draw 'ellipse 15,15 4,9 0,360' -draw 'line 6.5,15 23.5,15' \
  -draw 'line 8,10.5 22,10.5' -draw 'line 8,19.5 22,19.5' \
  -fill "$button" -stroke "$button_edge" -strokewidth 1.2 -draw 'circle 24,24 24,17' \
  -font DejaVu-Sans-Bold -pointsize 12 -fill "$paper" -stroke none \
  -gravity northwest -annotate +20.5+17 '1' \
  "PNG32:$out/surfdeck32.png"

# --- 16x16: the same page and globe, the button a small dot with its digit
"$im" -size 16x16 xc:none +antialias \
  -fill "$paper" -stroke "$edge" -draw 'polygon 2,0 9,0 12,3 12,15 2,15' \
  -fill "$fold" -draw 'polygon 9,0 9,3 12,3' \
  -fill "$sea" -stroke "$sea_edge" -draw 'circle 7,7 7,3' \
  -fill "$land" -stroke none -draw 'rectangle 5,5 6,6' -draw 'rectangle 8,8 9,8' \
  -stroke "$grid" -draw 'line 4,7 10,7' -draw 'line 7,4 7,10' \
  -fill "$button" -stroke "$button_edge" -draw 'circle 12,12 12,9' \
  -stroke "$paper" -draw 'line 12,10 12,14' -fill "$paper" -draw 'point 11,11' \
  "PNG32:$out/surfdeck16.png"

save_icon "$out/surfdeck16.png" "$out/surfdeck32.png" "$out/surfdeck.ico"
rm -f "$out"/*.png
