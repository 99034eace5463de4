#!/usr/bin/env bash
# The Win32 tests labelled "display" (typed keys, the pointer), run under
# xvfb-run: in a fresh copy of the suite's prefix that uses Wine's X11
# driver, with a wineserver of its own. The shared prefix is left as it is.
# Arguments go to ctest.
set -uo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
unset HALVO_WINEPREFIX
source "$here/wine-env.sh"
[ -n "${DISPLAY:-}" ] || { echo "display-tests: no DISPLAY (run under xvfb-run)" >&2; exit 2; }
[ -d "$WINEPREFIX" ] || { echo "display-tests: no prefix $WINEPREFIX" >&2; exit 2; }
shared=$WINEPREFIX
export HALVO_WINEPREFIX="$shared-x11"
source "$here/wine-env.sh"
rm -rf "$WINEPREFIX"
cp -a "$shared" "$WINEPREFIX"
# Set before the copy's server first reads the registry.
sed -i 's/^"Graphics"="null"$/"Graphics"="x11"/' "$WINEPREFIX/user.reg"
if ! grep -qx '"Graphics"="x11"' "$WINEPREFIX/user.reg"; then
  "$HALVO_WINE" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d x11 /f >/dev/null 2>&1
  "$WINESERVER" -k 2>/dev/null; "$WINESERVER" -w 2>/dev/null
fi
"$WINESERVER" -p
"$HALVO_WINE" wineboot </dev/null >/dev/null 2>&1 || true
(cd "$HALVO_WIN32_BUILD" && ctest -j1 -L display --output-on-failure --timeout 300 "$@")
rc=$?
"$WINESERVER" -k 2>/dev/null || true
exit $rc
