#!/usr/bin/env bash
# Lays the Win32 build out in the prefix as an installation would: the suite
# folder C:\Halvo with the programs, libraries and data files, and the
# virtual drive's wnaspi32.dll and MCI drivers (halvocd.drv, halvomedia.drv) in
# the system folder, where winmm loads the drivers the registry names. The
# test decoders (qemdec32.dll, audiodecA-D.dll) go to the system folder only:
# the engine finds them there, as it would a system's installed decoders.
# The streaming engine qemliv32.dll goes to the system folder too, where every
# host finds it, and the outside player program as C:\qemplay\QEMPLAY.EXE,
# the folder QEMPLAY.INI's Directory names by default.
set -eu
source "$(dirname "$0")/wine-env.sh"
bin="$HALVO_WIN32_BUILD/bin"
mkdir -p "$HALVO_SUITE/wave"
for f in "$bin"/*.exe "$bin"/*.dll "$bin"/*.drv; do
  [ -e "$f" ] || continue
  case "$(basename "$f")" in
    *_tests.exe|*_itest.exe|*late_detach.dll|media_fake*.dll) continue ;;
    wnaspi32.dll) cp -f "$f" "$WINEPREFIX/drive_c/windows/system32/" ;;
    qemdec32.dll|audiodec[A-D].dll)
      cp -f "$f" "$WINEPREFIX/drive_c/windows/system32/"; continue ;;
    *.drv) cp -f "$f" "$WINEPREFIX/drive_c/windows/system32/"; continue ;;
    qemliv32.dll) cp -f "$f" "$WINEPREFIX/drive_c/windows/system32/"; continue ;;
    qemplay.exe)
      mkdir -p "$WINEPREFIX/drive_c/qemplay"
      cp -f "$f" "$WINEPREFIX/drive_c/qemplay/QEMPLAY.EXE"; continue ;;
  esac
  cp -f "$f" "$HALVO_SUITE/"
done
cp -f "$HALVO_TOP"/beamhub/data/*.rcb "$HALVO_SUITE/" 2>/dev/null || true
# The voice files of the announcements.
"$HALVO_TOP/tools/make-voices.sh" "$HALVO_TOP/build/voices"
cp -f "$HALVO_TOP"/build/voices/*.WAV "$HALVO_SUITE/wave/"
