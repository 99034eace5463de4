#!/usr/bin/env bash
# The demo's panel section: detector.exe with panel.exe registered as the
# player of audio CDs and of Video CDs, under Xvfb in a copy of the suite's
# prefix with Wine's X11 driver. An audio CD put in starts the panel on
# track 1; NextTrack and digits come from the remote; Eject opens the door
# and ends the panel; a Video CD plays in its video window beside the panel
# until the panel's Close menu item ends both.
# What shows each step is printed by Win32 processes: the panel's answers to
# 1091 commands sent through mmcdclient, the MCI drivers' log and the drive's
# state from halvo-remote, the windows found by halvo-wintool. Every process
# of the copy is ended at the end. Called by tools/demo.sh.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/demo-lib.sh"
demo_under_xvfb "$0" "$@"
demo_section demo-panel panel.exe

readonly SETTINGS_KEY='HKCU\Software\Quorvane Tech\Quorvane Halvo Suite\1.0\Mcu\Setting'
readonly PANEL_TITLE="Halvo Multimedia Deck"   # string 47
readonly VIDEO_CLASS=HalvoVideoWindow

# ask COMMAND...: one mmcdclient run with these commands; its result lines.
ask() {
  (cd "$HALVO_SUITE" && printf '%s\n' "$@" quit |
     timeout 60 "$HALVO_WINE" mmcdclient.exe 2>>"$work/wine.log" >"$work/ask.txt") || true
  tr -d '\r' <"$work/ask.txt" | grep -v -e '^ready' -e '^bye' -e '^msg '
}
# The panel's answer to a 1091 command of class 1 (2: the current track).
track() { ask "command 1 2 0 -" | sed -n 's/.*value=\([0-9a-f]*\).*/\1/p' | head -1; }
track_is() { local t; t=$(track); [ -n "$t" ] && [ $((16#$t)) -eq "$1" ]; }
# Drive D's tray, medium and play status (5 playing, 8 stopped).
drive_line() { remote_out status | grep -m1 -A1 '^D: ha' | tail -1 | sed 's/^ *//; s/  settings.*//'; }
# The MCI log's lines of a device type since the last clear, without the
# status polls, shortened.
mci_lines() { remote_out mci-log | grep " $1 " | grep -v ' status ' | cut -c1-110 | sed 's/^/    /' || true; }
query() {
  printf '  mmcdclient> command 1 2 0 -   (1091, class 1, item 2: the current track)\n'
  ask "command 1 2 0 -" | sed 's/^/  mmcdclient< /'
}

wine_run reg delete 'HKCU\Software\Quorvane Tech\Quorvane Halvo Suite\1.0' /f || true

narrate "The panel registered as the player of audio CDs and Video CDs; the detector in the tray"
wine_run reg add 'HKCR\AudioCD\shell\play\command' /ve /d '"C:\Halvo\panel.exe" /play /cda %1' /f
wine_run reg add 'HKCR\VideoCD\shell\play\command' /ve /d '"C:\Halvo\panel.exe" /play /dat %1' /f
wine_out reg query 'HKCR\AudioCD\shell\play\command' | grep REG_SZ | sed 's/^ */  HKCR\\AudioCD\\shell\\play\\command /'
wine_out reg query 'HKCR\VideoCD\shell\play\command' | grep REG_SZ | sed 's/^ */  HKCR\\VideoCD\\shell\\play\\command /'
# The panel at the top left, its video window below it.
wine_run reg add "$SETTINGS_KEY" /v PanelX /t REG_DWORD /d 40 /f
wine_run reg add "$SETTINGS_KEY" /v PanelY /t REG_DWORD /d 40 /f
for v in "VideoX 40" "VideoY 110" "VideoW 392" "VideoH 350"; do
  wine_run reg add "$SETTINGS_KEY" /v ${v% *} /t REG_DWORD /d ${v#* } /f
done
wine_start detector.exe
wine_out "$wintool" wait MmcdDetectorClass Status "$DEADLINE" >/dev/null || die "no status window"
echo "  detector.exe runs and holds the remote's capture"

narrate "An audio CD put in: the detector starts the panel, which plays track 1"
remote_out mci-log --clear >/dev/null
remote insert "Z:${HALVO_TOP//\//\\}\\sim\\discs\\audio"
rect=$(wine_out "$wintool" wait '#32770' "$PANEL_TITLE" "$DEADLINE") || die "no panel started"
echo "  the panel's window \"$PANEL_TITLE\" is up at x y width height = $rect"
until_true "the panel did not reach track 1" track_is 1
query
echo "  the CD driver's log (halvo-remote mci-log):"
mci_lines cdaudio
echo "  the drive: $(drive_line)"

narrate "NextTrack on the remote: the detector passes it on, the panel plays track 2"
remote_out mci-log --clear >/dev/null
remote press NextTrack
until_true "the panel did not move to track 2" track_is 2
query
mci_lines cdaudio

narrate "Button3, then Enter: the panel jumps to track 3"
remote_out mci-log --clear >/dev/null
remote press Button3
remote press Enter
until_true "the panel did not jump to track 3" track_is 3
query
mci_lines cdaudio

narrate "Eject on the remote: the door opens and the panel closes"
remote_out mci-log --clear >/dev/null
remote press Eject
wine_out "$wintool" gone '#32770' "$PANEL_TITLE" "$DEADLINE" >/dev/null || die "the panel stayed"
echo "  the panel's window is gone; the CD driver's log (set flags 100: the door open):"
mci_lines cdaudio
echo "  the drive: $(drive_line)"

narrate "A Video CD put in: the panel starts again and plays its first item in a video window"
remote_out mci-log --clear >/dev/null
polls 2
remote insert "Z:${HALVO_TOP//\//\\}\\sim\\discs\\videocd-avseq"
remote close
rect=$(wine_out "$wintool" wait '#32770' "$PANEL_TITLE" "$DEADLINE") || die "no panel started"
video=$(wine_out "$wintool" wait "$VIDEO_CLASS" - "$DEADLINE") || die "no video window"
echo "  the panel at $rect; its video window (class $VIDEO_CLASS) at $video"
until_true "the panel did not play item 1" track_is 1
query
echo "  the video driver's log:"
mci_lines mpegvideo

narrate "Close from the panel's pop-up menu: the panel and its video window close"
# Not Eject: the panel's current folder, D:\MPEGAV, keeps the virtual
# drive from emptying its letter, and the door stays shut.
printf '  wintool  > command #32770 "%s" 32777   (the menu item Close)\n' "$PANEL_TITLE"
wine_run "$wintool" command '#32770' "$PANEL_TITLE" 32777
wine_out "$wintool" gone '#32770' "$PANEL_TITLE" "$DEADLINE" >/dev/null || die "the panel stayed"
wine_out "$wintool" gone "$VIDEO_CLASS" - "$DEADLINE" >/dev/null || die "the video window stayed"
echo "  the panel's window and the video window are gone; the video driver's log:"
mci_lines mpegvideo | tail -3

detector_quit
echo
echo "  detector.exe ended (its tray menu's quit command)"
