# Sourced by tools/demo.sh, by the demo's sections and by
# tools/screenshots.sh. demo_section NAME runs a section under Xvfb in a
# fresh copy of the suite's prefix with Wine's X11 driver
# (build/wine-<target>-NAME), its work folder build/NAME, and ends every
# process of the copy when the section ends. The helpers below print
# nothing of Wine's own; each waits on a condition with DEADLINE.
: "${HALVO_TOP:=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
readonly DEADLINE=20   # seconds for any one condition

die() { echo "demo: FAILED: $*" >&2; exit 1; }
narrate() { printf '\n== %s\n' "$*"; }

# demo_under_xvfb "$0" "$@": runs the calling script again under Xvfb when
# there is no display.
demo_under_xvfb() {
  [ -n "${DISPLAY:-}" ] || exec xvfb-run -a -s "-screen 0 1024x768x24" "$@"
}

demo_cleanup() {
  "$WINESERVER" -k 2>/dev/null || true
  "$WINESERVER" -w 2>/dev/null || true
}

# demo_section NAME [PROGRAM...]: the copy made and its server started, the
# drive at its defaults with the automatic insert notification off; each
# PROGRAM of the suite folder must be installed. Sets work and wintool.
demo_section() {
  local name=$1 file; shift
  unset HALVO_WINEPREFIX
  source "$HALVO_TOP/tools/wine-env.sh"
  source "$HALVO_TOP/tools/x11-prefix.sh"
  wintool="$HALVO_WIN32_BUILD/bin/tools/halvo-wintool.exe"
  for file in "$wintool" "${@/#/$HALVO_SUITE/}"; do [ -f "$file" ] || die "no $file (./halvo build)"; done
  make_x11_prefix "$name" || die "no copy of the prefix"
  work="$HALVO_TOP/build/$name"
  rm -rf "$work"
  mkdir -p "$work"
  trap demo_cleanup EXIT
  "$WINESERVER" -p
  wine_run wineboot
  switch_auto_insert_off || die "the drives' automatic insert notification stays on"
  wine_run "$HALVO_SUITE/halvo-remote.exe" reset
}

wine_run() { timeout 60 "$HALVO_WINE" "$@" </dev/null >>"$work/wine.log" 2>&1; }
# Output of a Win32 tool, without its carriage returns; its own exit status.
wine_out() {
  local rc=0
  timeout 60 "$HALVO_WINE" "$@" </dev/null 2>>"$work/wine.log" >"$work/out.txt" || rc=$?
  tr -d '\r' <"$work/out.txt"
  return $rc
}
# A program of the suite folder started in it, left running.
wine_start() { (cd "$HALVO_SUITE" && setsid "$HALVO_WINE" "$@" </dev/null >>"$work/wine.log" 2>&1 &); }

remote() {
  printf '  remote   > %s\n' "$*"
  (cd "$HALVO_SUITE" && wine_run halvo-remote.exe "$@") || die "halvo-remote $* failed"
}
remote_out() { (cd "$HALVO_SUITE" && wine_out halvo-remote.exe "$@"); }

# until_true WHAT COMMAND...: runs COMMAND until it succeeds, for DEADLINE
# seconds; else fails with WHAT.
until_true() {
  local what=$1 tenths=0; shift
  until "$@"; do
    ((++tenths < 10 * DEADLINE)) || die "$what"
    sleep 0.1
  done
}

# polls N: waits until the library has read drive D's report N more times
# (a tray opened and closed between two reads goes unseen; a button pressed
# twice within 500 ms is taken for a held one).
reads_at_least() { [ "$(remote_out log | grep -c ' D: MODE-SENSE  *page 00 ' || true)" -ge "$1" ]; }
polls() {
  remote_out log --clear >/dev/null
  until_true "the library does not poll the drive" reads_at_least "$1"
}

# detector_quit: the detector's tray menu's quit command, and its status
# window gone.
detector_quit() {
  wine_run "$wintool" command MmcdDetectorClass "Mmcd Detector" 40003
  wine_out "$wintool" gone MmcdDetectorClass Status "$DEADLINE" >/dev/null || die "the detector did not end"
}

# ---- the web front end's sections

readonly APPBROWSER_KEY='HKCU\Software\Quorvane Tech\Quorvane Halvo Suite\1.0\appBrowser'
readonly WEB_FRAME=HalvoWebFrame
readonly WEB_TITLE="Halvo Web"   # string 130
# The bookmark page's links, "URL title" each, numbered from 1.
readonly WEB_LINKS=(
  "http://news.test/ Morning news" "http://weather.test/today.htm Weather today"
  "http://sport.test/results.htm Sport results" "http://tv.test/tonight.htm TV tonight"
  "http://radio.test/ Radio" "http://kitchen.test/recipes.htm Recipes" "http://maps.test/ Maps"
  "http://travel.test/trains.htm Train times" "http://words.test/ Dictionary"
  "http://markets.test/ Markets" "http://library.test/loans.htm Library loans"
  "http://cinema.test/reviews.htm Film reviews" "http://music.test/charts.htm Music charts"
  "http://games.test/ Games")

# write_bookmarks FILE: the links as a bookmark page, as the suite's
# bookmark writer lays it out (CR LF, one TAB per level): two headings,
# links 1-7 under the first, the others in a list of their own.
write_bookmarks() {
  local n entry
  {
    printf '<!DOCTYPE QUORVANEBOOKMARKFILE-10>\r\n'
    printf '<!-- This is an automatically generated file. Do NOT edit! >\r\n'
    printf '<HTML><BODY>\r\n<H2><B>Every day</B></H2><P>\r\n<DL>\r\n'
    for n in "${!WEB_LINKS[@]}"; do
      entry=${WEB_LINKS[$n]}
      ((n == 7)) && printf '\t<H2><B>Now and then</B></H2><P>\r\n\t<DL>\r\n'
      ((n >= 7)) && printf '\t'
      printf '\t<DT><A HREF=%s><B>%d %s</B></A><P>\r\n' "${entry%% *}" $((n + 1)) "${entry#* }"
    done
    printf '\t</DL>\r\n</DL>\r\n</BODY></HTML>\r\n'
  } >"$1"
}
link_url() { local entry=${WEB_LINKS[$(($1 - 1))]}; echo "${entry%% *}"; }

# browser_events LOG EVENT: the test browser's log lines of one event,
# without the time stamps; a DDE transaction as "TYPE TOPIC: ITEM (RESULT)".
# Texts show the double quote and the backslash plainly (the log writes
# them in hex), byte for byte otherwise.
browser_events() {
  [ -f "$1" ] || return 0
  tr -d '\r' <"$1" | grep "^$2 " |
    sed -E 's/ t=[0-9]*//
      s/^dde type="([a-z]*)" topic="([^"]*)" item="([^"]*)" .*result="([a-z]*)".*/\1 \2: \3 (\4)/
      s/\\x22/"/g; s/\\x5c/\\/g' || true
}
