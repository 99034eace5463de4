#!/usr/bin/env bash
# The Win32 tests labelled "display" (typed keys, the pointer), run under
# xvfb-run: in a fresh copy of the suite's prefix that uses Wine's X11
# driver, with a wineserver and drive folders of its own. The shared prefix
# is left as it is. Arguments go to ctest. With HALVO_DISPLAY_READY set, that
# file is made as soon as the copy is done.
set -uo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
unset HALVO_WINEPREFIX
source "$here/wine-env.sh"
[ -n "${DISPLAY:-}" ] || { echo "display-tests: no DISPLAY (run under xvfb-run)" >&2; exit 2; }
[ -d "$WINEPREFIX" ] || { echo "display-tests: no prefix $WINEPREFIX" >&2; exit 2; }
source "$here/x11-prefix.sh"
# The copy's CD-ROM drives show folders of their own: the other prefix's
# tests may be putting discs in at the same time.
make_x11_prefix x11 || exit 2
# Told once the copy is made: the shared prefix may be used again.
[ -n "${HALVO_DISPLAY_READY:-}" ] && : >"$HALVO_DISPLAY_READY"
"$WINESERVER" -p
"$HALVO_WINE" wineboot </dev/null >/dev/null 2>&1 || true
(cd "$HALVO_WIN32_BUILD" && ctest -j1 -L display --output-on-failure --timeout 300 "$@")
rc=$?
"$WINESERVER" -k 2>/dev/null || true
exit $rc
