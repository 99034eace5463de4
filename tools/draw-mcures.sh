#!/usr/bin/env bash
# Draws the pictures of mcures.dll into a folder:
#   tools/draw-mcures.sh OUTDIR [PREVIEW.png]
#
#   background.bmp  bitmap 183: the panel's face, 369x37, 8 bits with its
#                   colour table (the panel builds its palette from it)
#   B<stem><U|D|F|X>.bmp
#                   the ten buttons' up, down, focused and disabled
#                   pictures, 24x13 (BPower, BPlayL, BPretrk, BPause, BSkipB,
#                   BPlay, BSkipF, BStop, BNext, BEject)
#   repeat.bmp      bitmap 203: continuous play on, off (2 cells of 22x9)
#   disctype.bmp    bitmap 221: the disc kinds (9 cells of 22x9)
#   mute.bmp        bitmap 237: sound on, muted (2 cells of 22x9)
#   panel.ico       icon 128 (16x16 and 32x32)
#   indicator.cur   cursor 204: a pointing hand, its hot spot at the finger
#
# With PREVIEW.png, also a picture of the whole face as the panel shows it
# (buttons up, indicators on their first cells, half volume, 005 0:03:07) to
# look at; the build does not use it.
#
# Layout (panel pixels): Power and Edit-play-list at x 6, y 6 and 20; the
# indicators at x 36, 59, 82, y 10 (22x9); the volume bar at 37,23 (68x3);
# the LED window behind the time cells, x 115-252, y 9-28; the transport
# buttons at x 264, 289, 314, 339, y 6 and 20. Everything is drawn without
# antialiasing, pixel for pixel. Bitmaps are uncompressed Windows 3 BMPs
# (BMP3:); the output depends only on these commands and ImageMagick.
set -euo pipefail
out=${1:?usage: draw-mcures.sh OUTDIR [PREVIEW.png]}
preview=${2:-}
mkdir -p "$out"
source "$(dirname "${BASH_SOURCE[0]}")/picture-files.sh"

# The body's colours, and the LED's (the panel lights its digits cyan).
body_top='#4A4E56'
body_bottom='#202226'
edge_light='#7C818C'
edge_dark='#0A0B0C'
recess='#141518'
led='#00FFFF'
led_dim='#0E3A3A'
label='#9AA0AA'

# Little-endian numbers for the file headers written here.
le16() { printf "\\$(printf %03o $(($1 & 255)))\\$(printf %03o $(($1 >> 8 & 255)))"; }
le32() { le16 $(($1 & 65535)); le16 $(($1 >> 16)); }

# ImageMagick writes a 256-entry colour table whatever the image holds.
# Cut it to the colours used, so that the palette the panel builds from it
# leaves the rest of a 256-colour display's entries to others.
trim_palette() {  # bmp
  local f=$1 n old=1078 pixels top
  n=$(/usr/bin/identify -format %k "$f")
  pixels=$(($(stat -c %s "$f") - old))
  top=$(od -An -tu1 -v -j$old "$f" | tr -s ' ' '\n' | sort -n | tail -1)
  [ "$top" -lt "$n" ] || { echo "draw-mcures: $f uses colour $top of $n" >&2; exit 1; }
  {
    printf BM; le32 $((54 + 4 * n + pixels)); le32 0; le32 $((54 + 4 * n))
    head -c 46 "$f" | tail -c 32          # the info header up to its colour counts
    le32 "$n"; le32 "$n"
    head -c $((54 + 4 * n)) "$f" | tail -c $((4 * n))  # the colours used
    tail -c "$pixels" "$f"
  } >"$f.new"
  mv "$f.new" "$f"
}

# --- a pixel font five rows high (most letters 3 wide, Q 4, M, N and W 5,
# I 1), for the indicator labels and the name on the body; a "picture" is
# drawn the same way from rows of any height.
declare -A glyph=(
  [A]='.#.|#.#|###|#.#|#.#'  [B]='##.|#.#|##.|#.#|##.'  [C]='.##|#..|#..|#..|.##'
  [D]='##.|#.#|#.#|#.#|##.'  [E]='###|#..|##.|#..|###'  [H]='#.#|#.#|###|#.#|#.#'
  [I]='#|#|#|#|#'            [K]='#.#|#.#|##.|#.#|#.#'  [L]='#..|#..|#..|#..|###'
  [O]='.#.|#.#|#.#|#.#|.#.'  [P]='##.|#.#|##.|#..|#..'  [Q]='.##.|#..#|#..#|#.#.|.#.#'
  [R]='##.|#.#|##.|#.#|#.#'  [T]='###|.#.|.#.|.#.|.#.'  [V]='#.#|#.#|#.#|#.#|.#.'
  [X]='#.#|#.#|.#.|#.#|#.#'  [Y]='#.#|#.#|.#.|.#.|.#.'  [U]='#.#|#.#|#.#|#.#|###'
  [M]='#...#|##.##|#.#.#|#...#|#...#'  [N]='#...#|##..#|#.#.#|#..##|#...#'
  [W]='#...#|#...#|#.#.#|##.##|#...#'  [-]='...|...|###|...|...'
  [' ']='..|..|..|..|..'
)
text_width() {  # text
  local t=$1 w=0 i row
  for ((i = 0; i < ${#t}; i++)); do
    row=${glyph[${t:i:1}]%%|*}
    w=$((w + ${#row} + 1))
  done
  echo $((w - 1))
}
# Prints -draw arguments that set the text's pixels with the top left at x,y.
text_draw() {  # x y text
  local x=$1 y=$2 t=$3 i r c rows row pts=""
  for ((i = 0; i < ${#t}; i++)); do
    IFS='|' read -ra rows <<<"${glyph[${t:i:1}]}"
    for ((r = 0; r < ${#rows[@]}; r++)); do
      row=${rows[r]}
      for ((c = 0; c < ${#row}; c++)); do
        [ "${row:c:1}" = '#' ] && pts+="point $((x + c)),$((y + r)) "
      done
    done
    x=$((x + ${#rows[0]} + 1))
  done
  [ -n "$pts" ] && printf '%s\n' -draw "$pts"
  return 0
}
# Centred in a box.
text_centred() {  # left top width height text
  local w
  w=$(text_width "$5")
  text_draw $(($1 + ($3 - w + 1) / 2)) $(($2 + ($4 - 5 + 1) / 2)) "$5"
}

# A recessed frame: dark above and left, light below and right.
sunken() {  # left top right bottom (inclusive)
  printf '%s\n' -fill none \
    -stroke "$edge_dark" -draw "line $1,$2 $3,$2" -draw "line $1,$2 $1,$4" \
    -stroke "$edge_light" -draw "line $(($1 + 1)),$4 $3,$4" -draw "line $3,$(($2 + 1)) $3,$4" \
    -stroke none
}

# --- bitmap 183: the face
w=369 h=37
mapfile -t face < <(
  # Body edge: a light line along the top and left, dark along the bottom and right.
  printf '%s\n' -fill none -stroke "$edge_light" -draw "line 0,0 $((w - 1)),0" -draw "line 0,0 0,$((h - 1))" \
    -stroke "$edge_dark" -draw "line 1,$((h - 1)) $((w - 1)),$((h - 1))" -draw "line $((w - 1)),1 $((w - 1)),$((h - 1))"
  # The left plate holding Power and Edit-play-list.
  printf '%s\n' -fill "$recess" -stroke none -draw 'rectangle 4,4 31,34'
  sunken 3 3 32 35
  # The indicators' well and the volume bar's slot.
  printf '%s\n' -fill "$recess" -draw 'rectangle 35,9 104,19' -draw 'rectangle 36,22 105,26'
  sunken 34 8 105 20
  sunken 35 21 106 27
  # The LED window: black all over, so the cells' black background joins it.
  printf '%s\n' -fill '#000000' -draw 'rectangle 113,7 254,30'
  sunken 112 6 255 31
  # The colons between hours, minutes and seconds.
  printf '%s\n' -fill "$led" -draw 'rectangle 189,14 190,15' -draw 'rectangle 189,22 190,23' \
    -draw 'rectangle 222,14 223,15' -draw 'rectangle 222,22 223,23'
  # The transport's plate.
  printf '%s\n' -fill "$recess" -draw 'rectangle 262,4 365,34'
  sunken 261 3 366 35
  # Small print: the name under the volume bar.
  printf '%s\n' -fill "$label"
  text_draw 37 30 'HALVO MULTIMEDIA'
)
"$im" -size "${w}x${h}" gradient:"$body_top-$body_bottom" +antialias "${face[@]}" \
  +dither -colors 64 -type Palette -compress None "BMP3:$out/background.bmp"
trim_palette "$out/background.bmp"

# --- the ten buttons, 24x13 each
bw=24 bh=13
button_face='#5A5F68'
button_down='#40444B'
button_light='#9298A4'
button_shadow='#16171A'
glyph_light='#EEF0F4'
glyph_focus="$led"
glyph_off='#2A2C31'
glyph_off_light='#767C87'

# Glyphs as -draw primitives in the button's coordinates; the fill colour
# is set by the caller.
declare -A art=(
  # Power: a ring open at the top, the stroke through the gap.
  [BPower]="-stroke GLYPH -fill none -draw circle_12,7_12,10 -stroke FACE -draw line_11,3_13,3 -draw line_12,4_12,4 -stroke GLYPH -draw line_12,2_12,7"
  # Edit play list: three listed lines.
  [BPlayL]="-stroke none -draw rectangle_6,3_7,4 -draw rectangle_6,6_7,7 -draw rectangle_6,9_7,10 -draw rectangle_9,3_17,4 -draw rectangle_9,6_17,7 -draw rectangle_9,9_14,10"
  [BPretrk]="-stroke none -draw rectangle_5,3_6,10 -draw polygon_12,3_12,10_8,6.5 -draw polygon_17,3_17,10_13,6.5"
  [BPause]="-stroke none -draw rectangle_8,3_10,10 -draw rectangle_13,3_15,10"
  [BSkipB]="-stroke none -draw polygon_11,3_11,10_7,6.5 -draw polygon_16,3_16,10_12,6.5"
  [BPlay]="-stroke none -draw polygon_9,2_9,11_15,6.5"
  [BSkipF]="-stroke none -draw polygon_7,3_7,10_11,6.5 -draw polygon_12,3_12,10_16,6.5"
  [BStop]="-stroke none -draw rectangle_9,4_14,9"
  [BNext]="-stroke none -draw polygon_6,3_6,10_10,6.5 -draw polygon_11,3_11,10_15,6.5 -draw rectangle_17,3_18,10"
  [BEject]="-stroke none -draw polygon_7,7_17,7_12,2 -draw rectangle_7,9_17,10"
)
glyph_args() {  # stem colour face
  local a=${art[$1]} word
  for word in $a; do
    word=${word//GLYPH/$2}
    word=${word//FACE/$3}
    printf '%s\n' "${word//_/ }"
  done
}
button() {  # stem state
  local stem=$1 state=$2 facec=$button_face tl=$button_light br=$button_shadow colour=$glyph_light shift=0
  local -a extra=()
  [ "$stem" = BPower ] && colour='#FF6048'
  case $state in
    D) facec=$button_down tl=$button_shadow br=$button_light shift=1 ;;
    F) colour=$glyph_focus ;;
    X) colour=$glyph_off ;;
  esac
  local -a g
  mapfile -t g < <(glyph_args "$stem" "$colour" "$facec")
  if [ "$state" = X ]; then
    # Engraved: a light copy one pixel down and right under the dark glyph.
    local -a lightg
    mapfile -t lightg < <(glyph_args "$stem" "$glyph_off_light" "$facec")
    extra=(\( -size ${bw}x${bh} xc:none +antialias -fill "$glyph_off_light" "${lightg[@]}" \) -geometry +1+1 -composite)
  fi
  local -a frame=(-fill none -stroke "$tl" -draw "line 0,0 $((bw - 2)),0" -draw "line 0,0 0,$((bh - 2))"
                  -stroke "$br" -draw "line 0,$((bh - 1)) $((bw - 1)),$((bh - 1))" -draw "line $((bw - 1)),0 $((bw - 1)),$((bh - 1))")
  if [ "$state" = F ]; then
    # Focus: a dark cyan rim inside the bevel, and the glyph lit.
    frame+=(-stroke "$led_dim" -draw "rectangle 1,1 $((bw - 2)),$((bh - 2))")
  fi
  save24 -size ${bw}x${bh} "xc:$facec" +antialias "${extra[@]}" \
    \( -size ${bw}x${bh} xc:none +antialias -fill "$colour" "${g[@]}" \) -geometry +$shift+$shift -composite \
    +antialias "${frame[@]}" "$out/${stem}${state}.bmp"
}
stems=(BPower BPlayL BPretrk BPause BSkipB BPlay BSkipF BStop BNext BEject)
for stem in "${stems[@]}"; do
  for state in U D F X; do button "$stem" "$state"; done
done

# --- indicator strips: cells of 22x9 side by side, on a dark glass
cw=22 ch=9
glass='#081010'
strip() {  # file cell-draw-lists...
  local file=$1; shift
  local -a args=() cellargs
  local cell
  for cell in "$@"; do
    mapfile -t cellargs <<<"$cell"
    args+=(\( -size ${cw}x${ch} "xc:$glass" +antialias "${cellargs[@]}" \))
  done
  save24 "${args[@]}" +append "$file"
}
# A letter label in a colour.
label_cell() {  # colour text
  printf '%s\n' -fill "$1"
  text_centred 0 2 $cw 5 "$2"
}
# Continuous play: a loop whose two arrows chase each other round.
glyph[@]='............#.........|............##........|.....############.....|....#.......##...#....|....#....#..#....#....|....#...##.......#....|.....############.....|........##............|.........#............'
loop_cell() {  # colour
  printf '%s\n' -fill "$1"
  text_draw 0 0 '@'
}
strip "$out/repeat.bmp" "$(loop_cell "$led")" "$(loop_cell "$led_dim")"
strip "$out/disctype.bmp" \
  "$(label_cell "$led" AVI)" "$(label_cell "$led" CD)" "$(label_cell "$led" MIDI)" \
  "$(label_cell "$led" MIX)" "$(label_cell "$led" QMCD)" "$(label_cell "$led" VCD)" \
  "$(label_cell "$led" WAV)" "$(label_cell "$led_dim" '---')" "$(label_cell "$led" CDI)"
# Mute: a speaker with its sound, or with a red cross.
speaker='-stroke none -draw rectangle_6,3_7,5 -draw polygon_8,3_10,1_10,7_8,5'
speaker_cell() {  # colour then extra draw words
  local colour=$1; shift
  printf '%s\n' -fill "$colour"
  local word
  for word in $speaker "$@"; do printf '%s\n' "${word//_/ }"; done
}
strip "$out/mute.bmp" \
  "$(speaker_cell "$led" -fill none -stroke "$led" -draw 'line_12,3_12,5' -draw 'line_14,2_14,6' -draw 'line_16,1_16,7')" \
  "$(speaker_cell "$led" -fill none -stroke '#FF3030' -draw 'line_12,2_16,6' -draw 'line_12,6_16,2')"

# --- icon 128: a disc in a dark deck with the cyan play sign
deck_icon() {  # size file
  "$im" -size 32x32 xc:none \
    -fill '#30343A' -stroke '#101114' -strokewidth 1 -draw 'roundrectangle 1,5 30,26 4,4' \
    -fill '#D8DCE4' -stroke '#606878' -draw 'circle 12,16 12,6' \
    -fill none -stroke '#9CC8F0' -strokewidth 2 -draw 'circle 12,16 12,10.5' \
    -fill '#30343A' -stroke '#606878' -strokewidth 1 -draw 'circle 12,16 12,14' \
    -fill "$led" -stroke '#007070' -draw 'polygon 21,10 21,22 29,16' \
    -resize "$1x$1" "PNG32:$2"
}
deck_icon 32 "$out/panel32.png"
deck_icon 16 "$out/panel16.png"
save_icon "$out/panel16.png" "$out/panel32.png" "$out/panel.ico"

# --- cursor 204: a white pointing hand with a black outline, hot spot at
# the finger's tip. Written as a two-colour cursor file (image and mask of
# one bit a pixel, as every Windows takes), from the picture's pixels.
"$im" -size 32x32 xc:none +antialias -fill white -stroke black \
  -draw 'polygon 5,1 8,1 8,9 10,9 10,8 12,8 12,9 14,9 14,10 16,10 16,18 14,21 14,24 6,24 6,21 1,15 1,12 3,12 5,14' \
  -draw 'line 10,9 10,13' -draw 'line 12,9 12,13' -draw 'line 14,10 14,13' "PNG32:$out/hand.png"
# Rows bottom-up, 4 bytes each, as in a PBM of width 32 (where 1 is black):
# the image's bit 1 is white (colour 1), the mask's bit 1 is transparent.
"$im" "$out/hand.png" -background black -flatten -negate -flip "PBM:$out/hand-image.pbm"
"$im" "$out/hand.png" -alpha extract -flip "PBM:$out/hand-mask.pbm"
hot_x=6 hot_y=1
{
  le16 0; le16 2; le16 1                                  # a cursor directory of one
  printf '\040\040\002\000'; le16 $hot_x; le16 $hot_y   # 32x32, 2 colours, hot spot
  le32 304; le32 22                                       # its bytes, where they start
  le32 40; le32 32; le32 64; le16 1; le16 1                # image and mask, 1 bit
  le32 0; le32 256; le32 0; le32 0; le32 2; le32 2
  printf '\000\000\000\000\377\377\377\000'              # black, white
  tail -c 128 "$out/hand-image.pbm"
  tail -c 128 "$out/hand-mask.pbm"
} >"$out/indicator.cur"
rm -f "$out"/hand*

rm -f "$out"/*.png

# --- the preview: the face with the controls on it, as the panel draws it
if [ -n "$preview" ]; then
  pos() { printf '%s\n' "$out/$1.bmp" -geometry "+$2+$3" -composite; }
  args=()
  mapfile -t more < <(
    pos BPowerU 6 6; pos BPlayLU 6 20
    pos BPretrkU 264 6; pos BPauseX 264 20; pos BSkipBU 289 6; pos BPlayF 289 20
    pos BSkipFU 314 6; pos BStopX 314 20; pos BNextU 339 6; pos BEjectU 339 20
  )
  args+=("${more[@]}")
  # Cells: repeat on, audio CD, sound on; volume at half.
  args+=(\( "$out/repeat.bmp" -crop 22x9+0+0 +repage \) -geometry +36+10 -composite)
  args+=(\( "$out/disctype.bmp" -crop 22x9+22+0 +repage \) -geometry +59+10 -composite)
  args+=(\( "$out/mute.bmp" -crop 22x9+0+0 +repage \) -geometry +82+10 -composite)
  args+=(-fill black -draw 'rectangle 37,23 104,25' -fill red -draw 'rectangle 37,23 70,25'
         -fill black -draw 'rectangle 66,23 67,25' -draw 'rectangle 58,23 59,25'
         -draw 'rectangle 50,23 51,25' -draw 'rectangle 42,23 43,25')
  # The digits 005 0 03 07 from the segment lines (W 11, H 19, ends exclusive).
  seg_lines() {  # bit -> "x0 y0 x1 y1" lines, inclusive ends
    local W=11 H=19 h2=9
    case $1 in
      64) echo "1 1 1 $((h2 - 1))"; echo "2 2 2 $((h2 - 2))" ;;
      32) echo "3 1 $((W - 4)) 1"; echo "4 2 $((W - 5)) 2" ;;
      16) echo "$((W - 2)) 1 $((W - 2)) $((h2 - 1))"; echo "$((W - 3)) 2 $((W - 3)) $((h2 - 2))" ;;
      8) echo "$((W - 2)) $((h2 + 1)) $((W - 2)) $((H - 2))"; echo "$((W - 3)) $((h2 + 2)) $((W - 3)) $((H - 3))" ;;
      4) echo "3 $((H - 2)) $((W - 4)) $((H - 2))"; echo "4 $((H - 3)) $((W - 5)) $((H - 3))" ;;
      2) echo "1 $((h2 + 1)) 1 $((H - 2))"; echo "2 $((h2 + 2)) 2 $((H - 3))" ;;
      1) echo "3 $((h2 + 1)) $((W - 4)) $((h2 + 1))"; echo "2 $h2 $((W - 3)) $h2"; echo "3 $((h2 - 1)) $((W - 4)) $((h2 - 1))" ;;
    esac
  }
  masks=(126 24 55 61 89 109 111 56 127 121)
  cells=(115 128 141 175 194 207 228 241)
  digits=(0 0 5 0 0 3 0 7)
  for i in "${!cells[@]}"; do
    m=${masks[${digits[i]}]}
    for bit in 64 32 16 8 4 2 1; do
      [ $((m & bit)) -ne 0 ] || continue
      while read -r x0 y0 x1 y1; do
        args+=(-fill "$led" -draw "rectangle $((cells[i] + x0)),$((9 + y0)) $((cells[i] + x1)),$((9 + y1))")
      done < <(seg_lines $bit)
    done
  done
  "$im" "$out/background.bmp" +antialias "${args[@]}" "PNG24:$preview"
fi
