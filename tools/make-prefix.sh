#!/usr/bin/env bash
# Creates the suite's Wine prefix inside build/ once: null graphics driver,
# CD-ROM drives D: and F: backed by folders, the hardware-registry entries
# that drive discovery reads, and the suite folder C:\Halvo.
set -eu
source "$(dirname "$0")/wine-env.sh"
stamp="$WINEPREFIX/.halvo-prefix"
version=4
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$version" ]; then exit 0; fi

echo "setup: creating the Wine prefix $WINEPREFIX ($HALVO_TARGET)"
rm -rf "$WINEPREFIX"
mkdir -p "$HALVO_TOP/build/discs/d" "$HALVO_TOP/build/discs/f"
"$HALVO_WINE" wineboot -i >/dev/null 2>&1 || true
wreg() { "$HALVO_WINE" reg "$@" >/dev/null 2>&1; }
wreg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f
# CD-ROM drives: GetDriveTypeA gives 5 for D: and F:.
ln -sfn "$HALVO_TOP/build/discs/d" "$WINEPREFIX/dosdevices/d:"
ln -sfn "$HALVO_TOP/build/discs/f" "$WINEPREFIX/dosdevices/f:"
wreg add 'HKLM\Software\Wine\Drives' /v d: /d cdrom /f
wreg add 'HKLM\Software\Wine\Drives' /v f: /d cdrom /f
# Hardware registry of the two drives, as the system writes it for SCSI CD-ROMs.
enum_drive() {  # instance letter target product
  local k="HKLM\\Enum\\SCSI\\HALVO___CDR-IR__\\$1"
  wreg add "$k" /v ProductId /d "$4" /f
  wreg add "$k" /v CurrentDriveLetterAssignment /d "$2" /f
  wreg add "$k" /v SCSILUN /d 0 /f
  wreg add "$k" /v SCSITargetID /d "$3" /f
  wreg add "$k" /v AutoInsertNotification /t REG_BINARY /d 01 /f
  wreg add "$k" /v Class /d CDROM /f
}
# Two drives of one model: instances of one device key, D: listed first.
enum_drive 0 D 1 'CDR-IR'
enum_drive 1 F 2 'CDR-IR'
# MCI devices of the virtual drive (system32): "cdaudio" is halvocd.drv; the
# file and video devices are halvomedia.drv, the type as its argument, which
# winmm hands the driver when it opens it. Wine's own waveaudio, sequencer
# and avivideo cannot serve here (sim/mci/README.md), so ours replace them.
# Wine reads the MCI key, Windows NT the MCI32 key; both views on a 64-bit
# prefix.
for key in MCI MCI32; do
  k="HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\$key"
  for type in cdaudio mpegvideo mpegvideocd CDIVideo avivideo waveaudio sequencer; do
    value="halvomedia.drv $type"
    [ "$type" = cdaudio ] && value=halvocd.drv
    wreg add "$k" /v "$type" /d "$value" /f
    wreg add "$k" /v "$type" /d "$value" /f /reg:32 || true
  done
done
mkdir -p "$HALVO_SUITE/wave"
"$WINESERVER" -k 2>/dev/null || true
"$WINESERVER" -w 2>/dev/null || true
echo "$version" > "$stamp"
