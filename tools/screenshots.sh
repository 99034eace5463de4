#!/usr/bin/env bash
# Pictures of the detector's, the panel's and the web front end's windows
# for the README, into docs/screenshots/: the status window, the launcher
# with three entries, each settings page and the mixed-mode question
# (dialog 151); the panel the detector starts, playing track 5 at 0:03:07
# (held there), its pop-up menu, its About box, and a Video CD playing in
# its video window beside it; the web front end's window with its Help
# menu open, and the test browser after 1, 2 and Enter on the remote; and
# the test host playing a stream from the test server (its last frame). The
# positions are held, so two runs give the same files. Run under
# Xvfb (started here when there is no DISPLAY) in a copy of the suite's
# prefix whose programs all run in one Wine desktop, so that frames and
# captions are drawn. The shared prefix is left as it is; every process of
# the copy is ended.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
unset HALVO_WINEPREFIX
source "$here/wine-env.sh"

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

source "$here/demo-lib.sh"
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

# ---- the playback panel, started by the detector as the player of
# mixed-mode discs and Video CDs

readonly PANEL_TITLE="Halvo Multimedia Deck"          # string 47
readonly ABOUT_TITLE="About Halvo Multimedia Deck"    # dialog 210
readonly PANEL_SETTINGS="$SUITE_KEY\\Mcu\\Setting"
readonly MENU_CLASS='#32768'
readonly VIDEO_CLASS=HalvoVideoWindow

# around NAME "X Y W H"...: one picture of the rectangles' union, with a
# margin of the desktop around it.
around() {
  local name=$1 r x0=100000 y0=100000 x1=0 y1=0 x y w h m=8; shift
  for r in "$@"; do
    read -r x y w h <<<"$r"
    ((x < x0)) && x0=$x; ((y < y0)) && y0=$y
    ((x + w > x1)) && x1=$((x + w)); ((y + h > y1)) && y1=$((y + h))
  done
  shot "$name" $((x0 - m)) $((y0 - m)) $((x1 - x0 + 2 * m)) $((y1 - y0 + 2 * m))
}
# The panel's current track, from its answer to a 1091 command.
panel_track() {
  (cd "$HALVO_SUITE" && printf 'command 1 2 0 -\nquit\n' |
     timeout 20 "$HALVO_WINE" mmcdclient.exe 2>>"$work/wine.log" >"$work/ask.txt") || true
  sed -n 's/.*value=\([0-9a-f]*\).*/\1/p' "$work/ask.txt" | head -1
}
wait_track() {  # N
  local t tenths=0
  until t=$(panel_track) && [ -n "$t" ] && [ $((16#$t)) -eq "$1" ]; do
    ((++tenths < 200)) || die "the panel did not reach track $1"
    sleep 0.1
  done
}
remote() { (cd "$HALVO_SUITE" && wine_run halvo-remote.exe "$@") || die "halvo-remote $* failed"; }
reg_add 'HKCR\MixedModeCD\shell\play\command' /ve /d '"C:\Halvo\panel.exe" /play /mix %1'
reg_add 'HKCR\VideoCD\shell\play\command' /ve /d '"C:\Halvo\panel.exe" /play /dat %1'
# The panel below the status window, its video window below the panel.
for v in "PanelX 40" "PanelY 64" "VideoX 40" "VideoY 124" "VideoW 392" "VideoH 388"; do
  reg_add "$PANEL_SETTINGS" /v ${v% *} /t REG_DWORD /d ${v#* }
done
# Three quarters of full volume for the volume bar.
(cd "$HALVO_SUITE" && printf 'register\nsetcap 1003 0xc000c000\nquit\n' |
   timeout 20 "$HALVO_WINE" mmcdclient.exe 2>>"$work/wine.log" >"$work/ask.txt") || true
grep -q 'setcap status=80000000' "$work/ask.txt" || die "the volume could not be set"
remote eject --remove
polls 2
remote insert "Z:${discs//\//\\}\\mixed12"
remote close
# Asked, as above: Play starts the mixed-mode disc's player.
wine_out "$wintool" wait '#32770' "$QUESTION_TITLE" 20 >/dev/null || die "no dialog 151"
wine_out "$wintool" click '#32770' "$QUESTION_TITLE" 1045 >/dev/null
panel=$(wine_out "$wintool" wait '#32770' "$PANEL_TITLE" 20) || die "the detector started no panel"
wine_out "$wintool" front '#32770' "$PANEL_TITLE" >/dev/null || true
# Track 5 at 0:03:07, held there once track 5 plays (the panel answers
# its new track before the play starts).
remote mci-log --clear
remote press Button5
remote press Enter
wait_track 5
tenths=0
until (cd "$HALVO_SUITE" && wine_out halvo-remote.exe mci-log) | grep -q ' cdaudio .* play .* from 5 to '; do
  ((++tenths < 200)) || die "track 5 did not play"
  sleep 0.1
done
remote position D 5 0:03:07 --hold
shot panel $panel

# The pop-up menu at the pointer, which is put below the Power button
# (outside the panel, so that no tooltip shows).
wine_out "$wintool" pointer '#32770' "$PANEL_TITLE" 8 44 >/dev/null || die "the pointer cannot be moved"
wine_out "$wintool" click '#32770' "$PANEL_TITLE" 1002 >/dev/null
menu=$(wine_out "$wintool" wait "$MENU_CLASS" - 20) || die "no pop-up menu"
around panel-menu "$panel" "$menu"
wine_out "$wintool" cancel '#32770' "$PANEL_TITLE" >/dev/null
wine_out "$wintool" gone "$MENU_CLASS" - 10 >/dev/null || die "the pop-up menu stayed"

# Its About item.
wine_out "$wintool" command '#32770' "$PANEL_TITLE" 32776 >/dev/null
window_shot about '#32770' "$ABOUT_TITLE"
wine_out "$wintool" click '#32770' "$ABOUT_TITLE" 1 >/dev/null
wine_out "$wintool" gone '#32770' "$ABOUT_TITLE" 10 >/dev/null || die "the About box stayed"

# Eject ends the panel; a Video CD starts it again, playing its first item.
remote position D --release
remote press Eject
wine_out "$wintool" gone '#32770' "$PANEL_TITLE" 20 >/dev/null || die "the panel stayed after Eject"
polls 2
remote insert "Z:${discs//\//\\}\\videocd-avseq"
remote close
video=$(wine_out "$wintool" wait "$VIDEO_CLASS" - 20) || die "no video window"
panel=$(wine_out "$wintool" wait '#32770' "$PANEL_TITLE" 20) || die "no panel for the Video CD"
wait_track 1
remote position D 0:12:34 --hold
around panel-videocd "$panel" "$video"
remote position D --release
# Closed from its menu: Eject would find the panel's current folder,
# D:\MPEGAV, in the way of emptying the virtual drive.
wine_out "$wintool" command '#32770' "$PANEL_TITLE" 32777 >/dev/null
wine_out "$wintool" gone '#32770' "$PANEL_TITLE" 20 >/dev/null || die "the panel stayed after Close"

# ---- the web front end, bound to the test browser

readonly POPUP_MENU_CLASS='#32768'
web="$WINEPREFIX/drive_c/Halvo/Web"
browser_log="$web/browser.log"
mkdir -p "$web"
write_bookmarks "$web/bookmarks.htm"
reg_add "$APPBROWSER_KEY" /v "Quorvane Bookmark" /d 'C:\Halvo\Web\bookmarks.htm'
# Right of the browser, which opens at the desktop's top left.
reg_add "$APPBROWSER_KEY" /v PrevP /d "608,24"
logged() { browser_events "$browser_log" "$1" | grep -q -- "$2"; }
(cd "$HALVO_SUITE" && setsid "$HALVO_WINE" halvo-browser.exe /service:IEXPLORE '/log:C:\Halvo\Web\browser.log' \
   </dev/null >>"$work/wine.log" 2>&1 &)
until_true "the test browser did not start" logged register 'result="ok"'
# Started as the detector would start it on Web; the detector passes it
# the buttons it does not take itself.
(cd "$HALVO_SUITE" && setsid "$HALVO_WINE" surfdeck.exe </dev/null >>"$work/wine.log" 2>&1 &)
until_true "the front end did not open the bookmark page" logged page 'bookmarks.htm" links='
frame=$(wine_out "$wintool" wait "$WEB_FRAME" "$WEB_TITLE" 20) || die "no front end window"
browser=$(wine_out "$wintool" wait IEFrame - 20) || die "no browser window"
# Bound, it takes the remote; two of the library's reads later it has.
polls 2
remote press Button1
remote press Button2
remote press Enter
until_true "link 12 was not opened" logged page "url=\"$(link_url 12)\" .* mark=12\$"
wine_out "$wintool" front IEFrame - >/dev/null || true
shot browser-link $browser

# The Help menu, from the remote: AppMenu types Alt and Return into the
# window in front (the front end leaves every button to the library until
# Enter or Cancel), the right arrow moves on to Help.
wine_out "$wintool" front "$WEB_FRAME" "$WEB_TITLE" >/dev/null || die "the front end cannot be put in front"
remote press AppMenu
first=$(wine_out "$wintool" wait "$POPUP_MENU_CLASS" - 20) || die "no menu"
remote press ScrollRight
moved() { menu=$(wine_out "$wintool" wait "$POPUP_MENU_CLASS" - 1) && [ "$menu" != "$first" ]; }
until_true "the Help menu did not open" moved
around surfdeck "$frame" "$menu"
wine_out "$wintool" cancel "$WEB_FRAME" "$WEB_TITLE" >/dev/null
wine_out "$wintool" gone "$POPUP_MENU_CLASS" - 10 >/dev/null || die "the menu stayed"
wine_out "$wintool" close "$WEB_FRAME" "$WEB_TITLE" >/dev/null
wine_out "$wintool" gone "$WEB_FRAME" "$WEB_TITLE" 20 >/dev/null || die "the front end stayed"
wine_out "$wintool" close IEFrame - >/dev/null
wine_out "$wintool" gone IEFrame - 20 >/dev/null || die "the browser stayed"

# ---- a stream from the test server in the test host's window

# 75 frames (3 s) with sound; then the server holds the connection, so the
# last picture, frame 74, stays on the screen until the data time-out.
qemsrv="$HALVO_TOP/build/native/sim/server/qemsrv"
[ -x "$qemsrv" ] || die "no $qemsrv (./halvo build)"
"$qemsrv" --port 0 --sessions 1 --quiet 1 --clip picture --frames 75 --fps 25 --hold-open 1 \
  --linger 60000 >"$work/server.log" 2>&1 &
server_pid=$!
trap 'kill $server_pid 2>/dev/null || true; cleanup' EXIT
listening() { grep -q '^listening' "$work/server.log"; }
until_true "the test server did not start" listening
port=$(awk '/^listening/ {print $3; exit}' "$work/server.log")
mkdir -p "$HALVO_SUITE/Stream"
printf 'qem://127.0.0.1:%s/clip\r\n' "$port" >"$HALVO_SUITE/Stream/clip.qem"
printf '[Settings]\r\nBufferSize=2000\r\n' >"$WINEPREFIX/drive_c/windows/QEMPLAY.INI"
(cd "$HALVO_SUITE" && setsid "$HALVO_WINE" qemhost.exe --trace --play 'C:\Halvo\Stream\clip.qem' \
   </dev/null >"$work/host.out" 2>>"$work/wine.log" &)
host=$(wine_out "$wintool" wait HalvoQemHost - 20) || die "no host window"
held() { grep -q 'holding the connection open' "$work/server.log"; }
until_true "the server did not send the clip" held
played_out() { tr -d '\r' <"$work/host.out" | grep -q '^state 3 pos 9'; }
until_true "the stream did not play" played_out
# The last few frames after the ninth tenth, then the picture holds.
sleep 1
shot stream $host
wine_out "$wintool" close HalvoQemHost - >/dev/null
wine_out "$wintool" gone HalvoQemHost - 20 >/dev/null || die "the host stayed"
kill $server_pid 2>/dev/null || true

# ---- the detector's status window, last: the held Play below keeps the
# detector busy for a while

# The status window while a button is held: part 2 shows its name (the
# idle notice after it clears it).
(cd "$HALVO_SUITE" && wine_run halvo-remote.exe press Play --hold 100)
wine_out "$wintool" status "$DETECTOR_CLASS" Status 2 >/dev/null || die "no button in the status window"
window_shot status "$DETECTOR_CLASS" Status

wine_out "$wintool" command "$DETECTOR_CLASS" "$MAIN_TITLE" 40003 >/dev/null || true
echo "screenshots: done; look at each picture before keeping it"
