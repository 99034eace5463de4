# Sourced by the tools/draw-*.sh scripts: the ImageMagick they draw with and
# the picture files they write, the same for every resource library.

# /usr/local/bin/convert may be a stand-in on these machines.
im=/usr/bin/convert
[ -x "$im" ] || { echo "$(basename "$0" .sh): ImageMagick not found at $im (./halvo setup installs it)" >&2; exit 1; }

# A 24-bit BMP of exactly what was drawn, no alpha channel.
save24() {  # convert-args... file
  local file=${@: -1}
  "$im" "${@:1:$#-1}" -alpha off -type TrueColor -compress None "BMP3:$file"
}

# An icon file of 256-colour images with a transparency mask.
save_icon() {  # image... file
  local file=${@: -1}
  "$im" "${@:1:$#-1}" -channel A -threshold 50% +channel -type PaletteBilevelAlpha -colors 255 "ICO:$file"
}
