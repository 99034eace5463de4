#!/usr/bin/env bash
# Draws the pictures of qemliv32.dll into a folder: tools/draw-qemliv32.sh OUTDIR
#
#   idle.bmp          bitmap 104: the idle picture, 160x112 (the video size
#                     before a format arrives): a screen with a play button
#   logo01.bmp ...    bitmaps "LOGO1" ... "LOGO31": the logo animation while
#   logo31.bmp        connecting and buffering, 64x64: a film reel turning
#                     one full turn over the 31 frames, its hub pulsing
#   logos.rc          the 31 BITMAP lines for qemliv32.rc to include
#
# Bitmaps are uncompressed 24-bit Windows 3 BMPs (BMP3:), which windres and
# every Windows accept. The output depends only on these commands and
# ImageMagick with its DejaVu fonts.
set -euo pipefail
out=${1:?usage: draw-qemliv32.sh OUTDIR}
mkdir -p "$out"
source "$(dirname "${BASH_SOURCE[0]}")/picture-files.sh"

frames=31  # QEM_LOGO_FRAMES in qemliv32_ids.h
night='#101828'
screen='#1C3C70'
glow='#3A78C8'
reel='#C8CCD4'
reel_edge='#505868'
film='#4A4E58'
play='#F0A020'
play_edge='#905800'

# --- bitmap 104: a dark field, a framed screen with a round play button,
# the name under it
save24 -size 160x112 gradient:"$screen-$night" \
  -fill none -stroke "$glow" -strokewidth 2 -draw 'roundrectangle 30,10 130,78 6,6' \
  -fill "$play" -stroke "$play_edge" -strokewidth 1.5 -draw 'circle 80,44 80,26' \
  -fill '#FFFFFF' -stroke none -draw 'polygon 73,34 73,54 91,44' \
  -font DejaVu-Sans-Bold -pointsize 13 -fill '#E8EEF8' -gravity north -annotate +0+86 'QEMLive' \
  "$out/idle.bmp"

# --- LOGO1-LOGO31: the reel at angle 360*i/31 with five holes round its hub,
# a strip of film running off it, the hub's light brightest at frame 1
: >"$out/logos.rc"
for ((i = 0; i < frames; i++)); do
  holes=$(awk -v i="$i" -v n="$frames" 'BEGIN {
    pi = atan2(0, -1); a0 = 2 * pi * i / n
    for (k = 0; k < 5; k++) {
      a = a0 + 2 * pi * k / 5; x = 30 + 13 * cos(a); y = 30 + 13 * sin(a)
      printf "circle %.2f,%.2f %.2f,%.2f ", x, y, x + 6, y
    }
  }')
  hub=$(awk -v i="$i" -v n="$frames" 'BEGIN {
    pi = atan2(0, -1); v = int(150 + 100 * cos(2 * pi * i / n)); printf "#%02X%02X%02X", v, v, 255
  }')
  n=$(printf '%02d' $((i + 1)))
  save24 -size 64x64 "xc:$night" \
    -fill "$film" -stroke none -draw 'polygon 30,52 62,44 62,58 34,62' \
    -fill "$reel" -stroke "$reel_edge" -strokewidth 1.5 -draw 'circle 30,30 30,4' \
    -fill "$night" -stroke "$reel_edge" -strokewidth 1 -draw "$holes" \
    -fill "$hub" -stroke "$reel_edge" -draw 'circle 30,30 30,25' \
    "$out/logo$n.bmp"
  echo "LOGO$((i + 1)) BITMAP \"logo$n.bmp\"" >>"$out/logos.rc"
done
