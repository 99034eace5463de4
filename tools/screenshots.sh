#!/usr/bin/env bash
# Pictures of the detector's windows for the README, into docs/screenshots/:
# the status window, the launcher with three entries, each settings page
# and the mixed-mode question (dialog 151). Run under Xvfb (started here
# when there is no DISPLAY) in a copy of the suite's prefix whose programs
# all run in one Wine desktop, so that frames and captions are drawn. The
# shared prefix is left as it is; every process of the copy is ended.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
unset HALVO_WINEPREFIX
source "$here/wine-env.sh"

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

die() { echo "screenshots: $*" >&2; exit 1; }

shared=$WINEPREFIX
out="$HALVO_TOP/docs/screenshots"
wintool="$HALVO_WIN32_BUILD/bin/tools/halvo-wintool.exe"
discs="$HALVO_TOP/sim/discs"
[ -d "$shared" ] || die "no prefix $shared (./halvo build)"
[ -f "$HALVO_SUITE/detector.exe" ] || die "no detector.exe in $HALVO_SUITE (./halvo build)"
[ -f "$wintool" ] || die "no $wintool (./halvo build)"

readonly SUITE_KEY='HKCU\Software\Quorvane Tech\Quorvane Halvo Suite\1.0'
readonly DETECTOR_KEY="$SUITE_KEY\\Detector"
readonly DETECTOR_CLASS=MmcdDetectorClass
readonly MAIN_TITLE="Mmcd Detector"
readonly SHEET_TITLE="Halvo Disc Detector Settings"   # string 7
readonly QUESTION_TITLE="Halvo Disc Detector"         # string 31, dialog 151
readonly DESKTOP=800x600

source "$here/x11-prefix.sh"
# The copy is made from a prefix whose registry is on disk.
"$WINESERVER" -k 2>/dev/null || true
"$WINESERVER" -w 2>/dev/null || true
make_x11_prefix shots || die "no copy of the prefix"
work="$HALVO_TOP/build/screenshots"
rm -rf "$work"
mkdir -p "$work" "$out"
# The caption buttons are drawn with Wine's Marlett font (package
# fonts-wine); without it they show as letters. Only this copy gets it, so
# the tests' text metrics stay as they are.
marlett=/usr/share/wine/fonts/marlett.ttf
if [ ! -f "$marlett" ]; then
  marlett="$HALVO_TOP/build/fonts-wine/usr/share/wine/fonts/marlett.ttf"
  if [ ! -f "$marlett" ]; then
    (cd "$work" && apt-get download fonts-wine >/dev/null 2>&1 &&
       dpkg-deb -x fonts-wine_*.deb "$HALVO_TOP/build/fonts-wine") ||
      echo "screenshots: no fonts-wine: caption buttons will show as letters" >&2
  fi
fi
[ -f "$marlett" ] && cp -f "$marlett" "$WINEPREFIX/drive_c/windows/Fonts/"

cleanup() {
  "$WINESERVER" -k 2>/dev/null || true
  "$WINESERVER" -w 2>/dev/null || true
}
trap cleanup EXIT

"$WINESERVER" -p
wine_run() { "$HALVO_WINE" "$@" </dev/null >>"$work/wine.log" 2>&1; }
# Output of a Win32 tool, without its carriage returns.
wine_out() { "$HALVO_WINE" "$@" </dev/null 2>>"$work/wine.log" >"$work/out.txt"; tr -d '\r' <"$work/out.txt"; }
reg_add() { wine_run reg add "$@" /f; }

# Every program of the prefix in one desktop window of its own.
reg_add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default
reg_add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$DESKTOP"
wine_run wineboot

# The detector's start-up must not raise 1092's box (its OK restarts, and
# under Wine that ends the prefix): the drives' automatic insert
# notification is off beforehand.
switch_auto_insert_off || die "the drives' automatic insert notification stays on"
# The same pictures whatever the prefix saw before: default settings,
# three launcher entries, and the mixed-mode question asked.
wine_run reg delete "$SUITE_KEY" /f || true
entries=("Audio player" "Video player" "Web front end")
for i in 0 1 2; do
  reg_add "$DETECTOR_KEY\\Launch\\App$i" /v Description /d "${entries[$i]}"
  reg_add "$DETECTOR_KEY\\Launch\\App$i" /v "Command line" /d "C:\\nowhere\\app$i.exe"
  reg_add "$DETECTOR_KEY\\Launch\\App$i" /v Parameters /d ""
done
reg_add "$DETECTOR_KEY" /v "Mixed Mode Disc" /t REG_BINARY /d 02
# Players for two kinds, one with a second player.
reg_add "$DETECTOR_KEY\\AudioCD\\Default" /v Name /d "Control panel"
reg_add "$DETECTOR_KEY\\AudioCD\\Default" /v Path /d "C:\\Halvo\\panel.exe /play /cda"
reg_add "$DETECTOR_KEY\\AudioCD\\Player0" /v Name /d "Other player"
reg_add "$DETECTOR_KEY\\AudioCD\\Player0" /v Path /d "C:\\Players\\cdplay.exe %1"
reg_add "$DETECTOR_KEY\\VideoCD\\Default" /v Name /d "Video player"
reg_add "$DETECTOR_KEY\\VideoCD\\Default" /v Path /d "C:\\Players\\vcdplay.exe %1"

# The Wine desktop's place on the X screen, for cropping.
desktop_origin() {
  xwininfo -root -tree | grep -i 'wine desktop' | head -1 |
    sed -n 's/.* \([0-9]*\)x\([0-9]*\)+\([0-9-]*\)+\([0-9-]*\) *+\([0-9-]*\)+\([0-9-]*\).*/\5 \6/p'
}

# shot NAME X Y WIDTH HEIGHT: the X screen's part at this window rectangle
# (desktop coordinates).
shot() {
  local name=$1 x=$2 y=$3 w=$4 h=$5 origin dx dy
  origin=$(desktop_origin)
  dx=${origin% *}; dy=${origin#* }
  [ -n "$dx" ] || { dx=0; dy=0; }
  # Let the window finish painting.
  sleep 1
  import -window root -crop "${w}x${h}+$((x + dx))+$((y + dy))" +repage "$out/$name.png"
  echo "screenshots: $out/$name.png (${w}x${h})"
}

# window NAME CLASS TITLE: waits for the window and takes its picture,
# active where it can be.
window_shot() {
  local name=$1 rect
  rect=$(wine_out "$wintool" wait "$2" "$3" 20) || die "no window $2 \"$3\" for $name"
  wine_out "$wintool" front "$2" "$3" >/dev/null || true
  shot "$name" $rect
}

(cd "$HALVO_SUITE" && setsid "$HALVO_WINE" detector.exe </dev/null >>"$work/wine.log" 2>&1 &)

wine_out "$wintool" wait "$DETECTOR_CLASS" Status 20 >/dev/null || die "no status window"

# The launcher is the main window, shown on Menu.
(cd "$HALVO_SUITE" && wine_run halvo-remote.exe press Menu)
# The whole desktop: the launcher centred on it, the status window at its
# saved place and the detector's icon in the taskbar's tray.
wine_out "$wintool" wait "$DETECTOR_CLASS" "$MAIN_TITLE" 20 >/dev/null || die "no launcher"
shot launcher 0 0 ${DESKTOP%x*} ${DESKTOP#*x}
(cd "$HALVO_SUITE" && wine_run halvo-remote.exe press Cancel)
wine_out "$wintool" gone "$DETECTOR_CLASS" "$MAIN_TITLE" 10 >/dev/null || die "the launcher stayed"

# The settings sheet, page by page; closed with Cancel.
wine_out "$wintool" command "$DETECTOR_CLASS" "$MAIN_TITLE" 40007 >/dev/null
wine_out "$wintool" wait '#32770' "$SHEET_TITLE" 20 >/dev/null || die "no settings sheet"
for page in 0 1 2 3; do
  rect=$(wine_out "$wintool" page '#32770' "$SHEET_TITLE" $page) || die "no settings page $page"
  wine_out "$wintool" expand '#32770' "$SHEET_TITLE" >/dev/null
  shot "settings-page$page" $rect
done
wine_out "$wintool" click '#32770' "$SHEET_TITLE" 2 >/dev/null
wine_out "$wintool" gone '#32770' "$SHEET_TITLE" 10 >/dev/null || die "the settings sheet stayed"

# Dialog 151: a mixed-mode disc put in with the question asked. Closed
# without an answer, which does nothing.
(cd "$HALVO_SUITE" && wine_run halvo-remote.exe insert "Z:${discs//\//\\}\\mixed")
window_shot mixed-mode '#32770' "$QUESTION_TITLE"
wine_out "$wintool" close '#32770' "$QUESTION_TITLE" >/dev/null
wine_out "$wintool" gone '#32770' "$QUESTION_TITLE" 10 >/dev/null || die "dialog 151 stayed"

# The status window while a button is held: part 2 shows its name (the
# idle notice after it clears it).
(cd "$HALVO_SUITE" && wine_run halvo-remote.exe press Play --hold 100)
wine_out "$wintool" status "$DETECTOR_CLASS" Status 2 >/dev/null || die "no button in the status window"
window_shot status "$DETECTOR_CLASS" Status

wine_out "$wintool" command "$DETECTOR_CLASS" "$MAIN_TITLE" 40003 >/dev/null || true
echo "screenshots: done; look at each picture before keeping it"
