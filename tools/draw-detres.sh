#!/usr/bin/env bash
# Draws the pictures of detres.dll into a folder: tools/draw-detres.sh OUTDIR
#
#   detector.ico  icon 101: a disc sending an infrared beam (16x16 and 32x32)
#   browse.ico    icon 112: a folder (16x16), on the browse buttons
#   launcher.bmp  bitmap 148: the launcher background, 8-bit with its palette
#   mouse_off.bmp, mouse_on.bmp, shift_off.bmp, shift_on.bmp
#                 bitmaps 201-204: the status bar's lock pictures (15x15)
#   tree_kind.bmp, tree_player.bmp, tree_root.bmp, tree_default.bmp
#                 bitmaps 139-142: tree and list images (16x16)
#
# Mask colour: the tree and list images are drawn on pure magenta
# (#FF00FF, DETRES_IMAGE_MASK in detres_ids.h), which the image lists treat
# as transparent; they are drawn without antialiasing so no edge pixel is a
# blend of magenta. The lock pictures sit on the status bar as they are, on
# the button face grey #C0C0C0.
#
# Bitmaps are written as uncompressed Windows 3 BMPs (BMP3:), which windres
# and every Windows accept (an RLE bitmap makes no DIB section); icons as
# 256-colour images with a 1-bit mask, which every Windows shows. The output
# depends only on these commands, ImageMagick and its DejaVu fonts.
set -euo pipefail
out=${1:?usage: draw-detres.sh OUTDIR}
mkdir -p "$out"
source "$(dirname "${BASH_SOURCE[0]}")/picture-files.sh"

mask='#FF00FF'
face='#C0C0C0'
light='#FFFFFF'
shadow='#808080'
dark='#404040'

# --- icon 101: a silver disc at the lower left, its receiver's red lamp and
# the infrared beam going out to the upper right (drawn at 32, scaled to 16)
disc_icon() {  # size file
  local s=$1 f=$2
  "$im" -size 32x32 xc:none \
    -fill '#D8DCE4' -stroke '#505868' -strokewidth 1.5 -draw 'circle 12,20 12,8' \
    -fill none -stroke '#8FB8E8' -strokewidth 3 -draw 'circle 12,20 12,13.5' \
    -fill '#FFFFFF' -stroke '#505868' -strokewidth 1 -draw 'circle 12,20 12,17' \
    -fill '#E02020' -stroke '#801010' -draw 'circle 20,12 20,9.5' \
    -fill none -stroke '#E02020' -strokewidth 2 \
    -draw 'ellipse 20,12 6,6 255,375' -draw 'ellipse 20,12 10.5,10.5 255,375' \
    -resize "${s}x${s}" "PNG32:$f"
}
disc_icon 32 "$out/detector32.png"
disc_icon 16 "$out/detector16.png"
save_icon "$out/detector16.png" "$out/detector32.png" "$out/detector.ico"

# --- icon 112: a yellow folder
"$im" -size 16x16 xc:none +antialias \
  -fill '#E8C050' -stroke '#806020' -draw 'polygon 1,3 6,3 7,5 14,5 14,13 1,13' \
  -fill '#F8E090' -stroke '#806020' -draw 'polygon 1,13 3,7 15,7 14,13' \
  "PNG32:$out/browse16.png"
save_icon "$out/browse16.png" "$out/browse.ico"

# --- bitmaps 201-204: 15x15 lock buttons, raised (off) or pressed (on)
# A pressed button swaps the bevel, moves its glyph one pixel down and right
# and lights a green lamp, so the state reads at a glance.
lock_button() {  # glyph-draw on|off file
  local glyph=$1 state=$2 file=$3 tl=$light br=$shadow shift=0 lamp=()
  if [ "$state" = on ]; then
    tl=$shadow br=$light shift=1
    lamp=(-fill '#20C020' -stroke none -draw 'rectangle 11,2 12,3')
  fi
  save24 -size 15x15 "xc:$face" +antialias \
    -stroke "$tl" -draw 'line 0,0 13,0' -draw 'line 0,0 0,13' \
    -stroke "$br" -draw 'line 1,14 14,14' -draw 'line 14,1 14,14' \
    -stroke none -fill none \
    -draw "translate $shift,$shift $glyph" "${lamp[@]}" "$file"
}
mouse_glyph="stroke $dark fill $light roundrectangle 4,3 9,11 2,2 line 4,6 9,6 line 6,3 6,6"
shift_glyph="stroke $dark fill $light polygon 7,2 11,7 9,7 9,11 5,11 5,7 3,7"
lock_button "$mouse_glyph" off "$out/mouse_off.bmp"
lock_button "$mouse_glyph" on "$out/mouse_on.bmp"
lock_button "$shift_glyph" off "$out/shift_off.bmp"
lock_button "$shift_glyph" on "$out/shift_on.bmp"

# --- bitmaps 139-142: 16x16 on the magenta mask
tree_image() {  # file draw-args...
  local file=$1; shift
  save24 -size 16x16 "xc:$mask" +antialias "$@" "$file"
}
disc=(-fill '#D8DCE4' -stroke '#505868' -draw 'circle 7,8 7,2'
      -fill '#8FB8E8' -stroke none -draw 'circle 7,8 7,5'
      -fill '#FFFFFF' -stroke '#505868' -draw 'circle 7,8 7,7')
player=(-fill '#FFFFFF' -stroke '#303030' -draw 'rectangle 1,2 13,12'
        -fill '#2050B0' -stroke none -draw 'rectangle 2,3 12,5'
        -fill '#20A040' -draw 'polygon 6,7 6,11 9,9')
tree_image "$out/tree_kind.bmp" "${disc[@]}"
tree_image "$out/tree_player.bmp" "${player[@]}"
# The root: a drive with its disc slot and the receiver's red window.
tree_image "$out/tree_root.bmp" \
  -fill '#B8BCC4' -stroke '#303030' -draw 'rectangle 0,4 15,11' \
  -stroke '#505050' -draw 'line 3,7 10,7' \
  -fill '#E02020' -stroke none -draw 'rectangle 12,6 13,8'
# The default player: a player with a gold star at its corner.
tree_image "$out/tree_default.bmp" "${player[@]}" \
  -fill '#F0C000' -stroke '#806000' -draw 'polygon 12,7 13,10 15,10 13,12 14,15 12,13 10,15 11,12 9,10 11,10'

# --- bitmap 148: the launcher background, 560x440
# A dark title band, then a pale panel: the launcher writes up to nine lines
# from 57 pixels down at the left, in blue and orange, so that area stays
# light and plain; nine 26-point lines (about 40 pixels each at 96 dpi) end
# near 420. Reduced to 200 colours: the launcher builds its palette from the
# bitmap's colour table, leaving room for the system colours.
w=560 h=440 title=48
"$im" -size "${w}x${h}" gradient:'#EEF3FA-#C8D6E8' \
  \( -size "${w}x${title}" gradient:'#183C78-#2C5CA8' \) -geometry +0+0 -composite \
  -fill '#F8C040' -stroke none -draw "rectangle 0,$title $w,$((title + 2))" \
  -fill none -stroke '#FFFFFF' -strokewidth 1 -draw "roundrectangle 6,54 $((w - 7)),$((h - 7)) 10,10" \
  -fill '#D8DCE4' -stroke '#8FA8D0' -strokewidth 2 -draw "circle $((w - 34)),24 $((w - 34)),6" \
  -fill '#FFFFFF' -stroke '#8FA8D0' -draw "circle $((w - 34)),24 $((w - 34)),19" \
  -fill none -stroke '#E0E8F4' -strokewidth 3 -draw "circle $((w - 90)),$((h - 90)) $((w - 90)),$((h - 160))" \
  -draw "circle $((w - 90)),$((h - 90)) $((w - 90)),$((h - 110))" \
  -font DejaVu-Sans-Bold -pointsize 26 -fill '#FFFFFF' -stroke none -annotate +16+34 'Halvo' \
  -font DejaVu-Sans -pointsize 14 -fill '#C8D8F0' -annotate +112+33 'Choose a program with the remote' \
  -treedepth 8 +dither -colors 200 -type Palette -compress None "BMP3:$out/launcher.bmp"

rm -f "$out"/*.png
