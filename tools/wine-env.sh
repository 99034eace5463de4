# Sourced: the suite's Wine environment for the Win32 target set up by
# ./halvo setup (build/target). Sets WINEPREFIX, the loader and server, the
# overrides that load the virtual drive's wnaspi32.dll, and HALVO_* paths.
: "${HALVO_TOP:=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
HALVO_TARGET=$(cat "$HALVO_TOP/build/target" 2>/dev/null || echo i686)
export HALVO_TOP HALVO_TARGET
# HALVO_WINEPREFIX names another prefix (the display tests use a copy).
export WINEPREFIX="${HALVO_WINEPREFIX:-$HALVO_TOP/build/wine-$HALVO_TARGET}"
export WINEDEBUG=${HALVO_WINEDEBUG:--all}
export WINEDLLOVERRIDES="wnaspi32=n,b;mscoree=;mshtml=;winemenubuilder.exe="
if [ "$HALVO_TARGET" = x86_64 ]; then
  export WINEARCH=win64
  export WINELOADER=/usr/lib/wine/wine64
  export WINESERVER=/usr/lib/wine/wineserver64
else
  export WINEARCH=win32
  export WINELOADER=/usr/lib/wine/wine
  export WINESERVER=/usr/lib/wine/wineserver32
  [ -x /usr/lib/wine/wineserver64 ] && export WINESERVER=/usr/lib/wine/wineserver64
fi
export HALVO_WINE="$WINELOADER"
export HALVO_WIN32_BUILD="${HALVO_WIN32_BUILD:-$HALVO_TOP/build/win32-$HALVO_TARGET}"
export HALVO_SUITE="$WINEPREFIX/drive_c/Halvo"
# Sound through an ALSA null sink: no card is needed for PlaySound.
# HALVO_ALSA_CONF names another sink (a test that listens to the output).
export ALSA_CONFIG_PATH="/usr/share/alsa/alsa.conf:${HALVO_ALSA_CONF:-$HALVO_TOP/tools/alsa-null.conf}"
