#!/usr/bin/env bash
# Generates the voice files of the announcements as PCM WAV with espeak-ng
# into a folder (default build/voices). Files already there are kept.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$top/build/voices}
mkdir -p "$out"

say() {  # file text
  [ -s "$out/$1" ] || espeak-ng -s 150 -w "$out/$1" "$2"
}

say PLAYING.WAV "playing"
say STOP.WAV "stop"
say PAUSE.WAV "pause"
say RESUME.WAV "resume"
say TRAYOUT.WAV "tray out"
say TRAYCLOS.WAV "tray closed"
say REWINDIN.WAV "rewinding"
say FORWARDI.WAV "forwarding"
say PRETRACK.WAV "previous track"
say NEXTRACK.WAV "next track"
say ENTER.WAV "enter"
say APPMENU.WAV "menu"
say CANCEL.WAV "cancel"
say PAGEUP.WAV "page up"
say PAGEDOWN.WAV "page down"
say WELCOME.WAV "welcome"
say GOODBYE.WAV "goodbye"
say SHIFTLOK.WAV "shift lock"
say ISON.WAV "is on"
say ISOFF.WAV "is off"
say MOUSEON.WAV "mouse on"
say MOUSEOFF.WAV "mouse off"
say SPECMODE.WAV "special mode"
say DISCIS.WAV "the disc is"
say AUDIOCD.WAV "an audio CD"
say VIDEOCD.WAV "a video CD"
say TRACK.WAV "track"
say FILE.WAV "file"
say AND.WAV "and"
for n in $(seq 1 99); do say "$(printf '%03d_8.WAV' "$n")" "$n"; done
for h in $(seq 1 9); do say "${h}00_8.WAV" "$((h * 100))"; done
