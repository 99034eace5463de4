#!/usr/bin/env bash
# The demo's detector section: detector.exe in the tray under Xvfb, in a
# copy of the suite's prefix with Wine's X11 driver. A Video CD put in
# starts the player registered for it; Menu, then Button1 and Enter on the
# remote, start the first launcher entry. The player and the launcher's
# programs are stand-ins that log how they were started. Every process of
# the copy is ended at the end. Called by tools/demo.sh.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/demo-lib.sh"
demo_under_xvfb "$0" "$@"
demo_section demo-detector detector.exe

recorder="$HALVO_WIN32_BUILD/bin/standins/halvo-recorder.exe"
[ -f "$recorder" ] || die "no $recorder (./halvo build)"
# wait_log FILE: waits for FILE to hold a line, then shows it.
wait_log() {
  until_true "nothing was started: no $(basename "$1")" test -s "$1"
  sleep 0.2
  tr -d '\r' <"$1" | sed 's/^/    /'
}

narrate "The detector in the tray (Xvfb, Wine's X11 driver): stand-ins registered as players"
demo="$WINEPREFIX/drive_c/Demo"
mkdir -p "$demo"
for program in vcdplay notes clock games; do cp -f "$recorder" "$demo/$program.exe"; done
wine_run reg add 'HKCR\VideoCD\shell\play\command' /ve /d 'C:\Demo\vcdplay.exe /play %1' /f
echo '  HKEY_CLASSES_ROOT\VideoCD\shell\play\command = C:\Demo\vcdplay.exe /play %1'
launch='HKCU\Software\Quorvane Tech\Quorvane Halvo Suite\1.0\Detector\Launch'
entries=(Notes Clock Games)
for i in 0 1 2; do
  program=$(tr 'A-Z' 'a-z' <<<"${entries[$i]}")
  wine_run reg add "$launch\\App$i" /v Description /d "${entries[$i]}" /f
  wine_run reg add "$launch\\App$i" /v "Command line" /d "C:\\Demo\\$program.exe" /f
  wine_run reg add "$launch\\App$i" /v Parameters /d "/from-launcher" /f
  echo "  launcher entry App$i: ${entries[$i]} = C:\\Demo\\$program.exe /from-launcher"
done
wine_start detector.exe
rect=$(wine_out "$wintool" wait MmcdDetectorClass Status 20) || die "no status window"
echo "  detector.exe runs: its status window \"Status\" at x y width height = $rect"
echo "  (it holds the remote's capture: every button reaches it first)"
# Wine shows its stand-alone tray window once a program has an icon in it.
if xwininfo -root -tree 2>/dev/null | grep -q '"Wine System Tray"'; then
  echo "  its icon is in the tray: Wine's tray window \"Wine System Tray\" is up"
else
  die "no tray window: the detector's icon is not in the tray"
fi

narrate "A Video CD put in: the detector starts the player registered for Video CDs"
remote insert "Z:${HALVO_TOP//\//\\}\\sim\\discs\\videocd"
echo "  vcdplay.exe (a stand-in) logged:"
wait_log "$demo/vcdplay.exe.log"

narrate "Menu shows the launcher; Button1 selects its first entry and Enter starts it"
remote press Menu
wine_out "$wintool" wait MmcdDetectorClass "Mmcd Detector" 20 >/dev/null || die "the launcher did not show"
echo "  the launcher shows (the detector's main window, centred on the desktop)"
remote press Button1
remote press Enter
echo "  notes.exe (a stand-in) logged:"
wait_log "$demo/notes.exe.log"
wine_out "$wintool" gone MmcdDetectorClass "Mmcd Detector" 20 >/dev/null || die "the launcher stayed"
echo "  the launcher is hidden again"

narrate "Quit from the tray menu: the detector gives the capture back and saves its status position"
detector_quit
wine_out reg query 'HKCU\Software\Quorvane Tech\Quorvane Halvo Suite\1.0\Detector' |
  grep -E 'Status[XY]' | sed 's/^ */  /'
