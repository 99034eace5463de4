#!/usr/bin/env bash
# The Win32 suite under Wine: the null-driver tests in the suite's prefix and,
# at the same time, the tests labelled "display" under Xvfb in a copy of the
# prefix with Wine's X11 driver (tools/display-tests.sh). The two prefixes
# share nothing: each has its own wineserver, virtual drive and drive folders.
# Output: build/logs/win32.txt and build/logs/win32-display.txt; the
# null-driver run is shown as it goes, the display run after it.
set -uo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
unset HALVO_WINEPREFIX
source "$here/wine-env.sh"
logs="$HALVO_TOP/build/logs"
mkdir -p "$logs"
ready="$logs/.display-ready"
rm -f "$ready"

# The test lists are written once, before two ctest runs read them; the
# copy is made from a prefix whose server has ended.
(cd "$HALVO_WIN32_BUILD" && ctest -N >/dev/null 2>&1)
"$WINESERVER" -k 2>/dev/null || true
"$WINESERVER" -w 2>/dev/null || true

HALVO_DISPLAY_READY="$ready" xvfb-run -a -s "-screen 0 1024x768x24" \
  "$here/display-tests.sh" >"$logs/win32-display.txt" 2>&1 </dev/null &
display=$!
for _ in $(seq 600); do
  [ -e "$ready" ] || ! kill -0 $display 2>/dev/null && break
  sleep 0.1
done

echo "== Win32 suite under Wine ($HALVO_TARGET)"
"$WINESERVER" -p 2>/dev/null || true
# Wine's own services start with the first program and keep its output
# open while the server lives: let them start here, not under ctest.
"$HALVO_WINE" wineboot </dev/null >/dev/null 2>&1 || true
# One virtual drive and one shared section per prefix: one test at a time.
(cd "$HALVO_WIN32_BUILD" && ctest -j1 -LE display --output-on-failure --timeout 300 "$@") 2>&1 |
  tee "$logs/win32.txt"
rc=${PIPESTATUS[0]}
"$WINESERVER" -k 2>/dev/null || true

wait $display || rc=1
echo "== Win32 display tests under Xvfb (a copy of the prefix with the X11 driver)"
cat "$logs/win32-display.txt"
exit $rc
