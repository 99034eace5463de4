#!/usr/bin/env bash
# The demo's web section: the test browser serving the DDE topics as
# IEXPLORE, the detector in the tray, and the web front end it starts on
# Web, under Xvfb in a copy of the suite's prefix with Wine's X11 driver.
# On the remote 1, 2 and Enter open link 12 of the bookmark page, Back
# reaches the browser as Alt+Left, and Web twice ends the front end. What
# shows each step is the browser's log (every DDE transaction and key it
# received) and the windows found by halvo-wintool. Every process of the
# copy is ended at the end. Called by tools/demo.sh.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/demo-lib.sh"
demo_under_xvfb "$0" "$@"
demo_section demo-web surfdeck.exe halvo-browser.exe detector.exe

web="$WINEPREFIX/drive_c/Halvo/Web"
log="$web/browser.log"
mkdir -p "$web"

# has_event EVENT PATTERN: the browser has logged such a line.
has_event() { browser_events "$log" "$1" | grep -q -- "$2"; }
# show_events EVENT PATTERN: those lines, indented.
show_events() { browser_events "$log" "$1" | grep -- "$2" | cut -c1-150 | sed 's/^/    /'; }
# opened N: the browser has been asked to open link N and shows it marked.
opened() {
  has_event dde "^request WWW_OpenURL: \"$(link_url "$1")\",,0xFFFFFFFF,,,,, (answered)" &&
    has_event page "url=\"$(link_url "$1")\" .* mark=$1\$"
}
keys_with() { [ "$(browser_events "$log" key | grep -c -- "$1")" -ge "$2" ]; }
surfdeck_gone() { ! wine_out "$wintool" text "$WEB_FRAME" "$WEB_TITLE" >/dev/null 2>&1; }

wine_run reg delete 'HKCU\Software\Quorvane Tech\Quorvane Halvo Suite\1.0' /f || true

narrate "A bookmark page of ${#WEB_LINKS[@]} named links, in the suite's bookmark format"
write_bookmarks "$web/bookmarks.htm"
wine_run reg add "$APPBROWSER_KEY" /v "Quorvane Bookmark" /d 'C:\Halvo\Web\bookmarks.htm' /f
echo '  C:\Halvo\Web\bookmarks.htm, named by appBrowser "Quorvane Bookmark"; its lines 6-8 and 18-19:'
tr -d '\r' <"$web/bookmarks.htm" | sed -n '6,8p; 18,19p' | expand -t 2 | sed 's/^/    /'
echo "  (no browser entries yet: the front end's first run writes its defaults)"

narrate "The test browser starts, serving the browsers' DDE topics as IEXPLORE"
wine_start halvo-browser.exe /service:IEXPLORE '/log:C:\Halvo\Web\browser.log'
until_true "the test browser did not register its DDE service" has_event register 'result="ok"'
show_events start .
show_events register .
rect=$(wine_out "$wintool" wait IEFrame - "$DEADLINE") || die "no browser window"
echo "  its window (class IEFrame) at x y width height = $rect"

narrate "The detector in the tray; Web on the remote: no program takes it, so the detector starts"
echo "   the web front end from its AppPath, C:\\Halvo"
wine_run reg add 'HKCU\Software\Quorvane Tech\Quorvane Halvo Suite\1.0' /v AppPath /d 'C:\Halvo' /f
wine_start detector.exe
wine_out "$wintool" wait MmcdDetectorClass Status "$DEADLINE" >/dev/null || die "no status window"
echo "  detector.exe runs and holds the remote's capture"
remote press Web
rect=$(wine_out "$wintool" wait "$WEB_FRAME" "$WEB_TITLE" "$DEADLINE") || die "the detector started no front end"
echo "  surfdeck.exe's window \"$WEB_TITLE\" (class $WEB_FRAME) at x y width height = $rect"
until_true "the browser was not asked for the bookmark page" has_event page 'bookmarks.htm" links='
echo "  it bound the running browser and opened the bookmark page; the browser logged"
echo "  (transaction, topic: the item byte for byte, and what the browser did):"
show_events dde '^request'
show_events page .
typeused=$(wine_out reg query "$APPBROWSER_KEY" /v typeUsed | sed -n 's/.*REG_SZ *//p')
echo "  first-run defaults written: typeUsed = $typeused"
[ "$typeused" = "01,02,00" ] || die "typeUsed is '$typeused'"
# The front end takes the remote once it is bound; two of the library's
# reads of the drive later it surely has.
polls 2

narrate "1, 2 and Enter on the remote: the browser opens link 12"
remote press Button1
remote press Button2
remote press Enter
until_true "link 12 was not opened" opened 12
echo "  the browser logged the request and the page it shows (link 12 marked):"
show_events dde "^request WWW_OpenURL: \"$(link_url 12)\""
show_events page "$(link_url 12)"

narrate "Back on the remote: the front end brings the browser forward and types Alt+Left"
remote press Back
until_true "Back did not arrive as Alt+Left" keys_with 'msg="[a-z]*up" vk=0x12' 1
echo "  the keys the browser's document window received:"
show_events key .
keys_with 'msg="syskeydown" vk=0x25 alt=1' 1 || die "no Alt+Left in the browser's key log"

narrate "Web twice on the remote: the front end ends"
remote press Web
polls 2
remote press Web
until_true "the front end did not end" surfdeck_gone
echo "  surfdeck.exe's window is gone; the browser stays open"

narrate "The detector quits and the browser is closed"
detector_quit
echo "  detector.exe ended (its tray menu's quit command)"
wine_run "$wintool" close IEFrame -
until_true "the browser did not end" has_event exit .
show_events exit .
demo_cleanup
echo "  every process of the copy has ended"
