#!/usr/bin/env bash
# The demo's streaming section: the native test server streams its picture
# clip (colour bars, a moving box, the frame number; a tone) with 5 % of
# the datagrams lost and 5 % reordered, and qemhost.exe, a small MCI-style
# caller, plays it through qemliv32.dll in its window, under Xvfb in a copy
# of the suite's prefix with Wine's X11 driver. What shows each step is the
# host's trace of the engine's state, the server's log and QEMPLAY.INI.
# Called by tools/demo.sh.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/demo-lib.sh"
demo_under_xvfb "$0" "$@"
demo_section demo-stream qemhost.exe

qemsrv="$HALVO_TOP/build/native/sim/server/qemsrv"
[ -x "$qemsrv" ] || die "no $qemsrv (./halvo build)"
server_pid=
stop_server() { [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true; }
trap 'stop_server; demo_cleanup' EXIT
ini="$WINEPREFIX/drive_c/windows/QEMPLAY.INI"

narrate "The test server on loopback: 250 frames at 25 fps with sound, 5 % loss, 5 % reordering"
"$qemsrv" --port 0 --sessions 1 --quiet 1 --clip picture --frames 250 --fps 25 \
  --loss 0.05 --reorder 0.05 --seed 7 >"$work/server.log" 2>&1 &
server_pid=$!
has_listening() { grep -q '^listening' "$work/server.log"; }
until_true "the server did not start" has_listening
port=$(awk '/^listening/ {print $3; exit}' "$work/server.log")
echo "  qemsrv: $(grep '^listening' "$work/server.log")"

narrate "A script file naming the stream"
mkdir -p "$HALVO_SUITE/Stream"
printf 'qem://127.0.0.1:%s/clip\r\n' "$port" >"$HALVO_SUITE/Stream/clip.qem"
echo "  C:\\Halvo\\Stream\\clip.qem: $(tr -d '\r' <"$HALVO_SUITE/Stream/clip.qem")"
printf '[Settings]\r\nBufferSize=2000\r\n' >"$ini"
echo "  QEMPLAY.INI: BufferSize=2000 (2 s of buffer before playing)"

narrate "qemhost.exe creates the engine on its window and plays with a notification"
(cd "$HALVO_SUITE" && setsid "$HALVO_WINE" qemhost.exe --trace --play 'C:\Halvo\Stream\clip.qem' \
   </dev/null >"$work/host.out" 2>>"$work/wine.log" &)
notified() { grep -q '^MM_MCINOTIFY' "$work/host.out"; }
shown=0
show_new() {
  local lines
  lines=$(tr -d '\r' <"$work/host.out" | sed -n "$((shown + 1)),\$p")
  [ -n "$lines" ] || return 0
  echo "$lines" | sed 's/^/  qemhost < /'
  shown=$((shown + $(echo "$lines" | wc -l)))
}
tenths=0
until notified; do
  show_new
  ((++tenths < 600)) || die "the stream did not end within a minute"
  sleep 0.1
done
stopped() { tr -d '\r' <"$work/host.out" | grep -q '^state 0'; }
until_true "the engine did not go back to idle" stopped
show_new
echo "  (states: 1 connecting, 2 requesting, 5 buffering, 3 playing, 4 stopped, 0 idle;"
echo "   pos is GetPos1000, thousandths of the stream)"

narrate "The server's account of the session (its control messages)"
grep -E '^(session|hello|open|send code|send stream-info|slide-mode|final-report|end)' \
  "$work/server.log" | sed 's/^/  qemsrv: /' || true

narrate "The host closes: the engine is destroyed and writes back its bandwidth figure"
wine_run "$wintool" close HalvoQemHost - || true
wine_out "$wintool" gone HalvoQemHost - "$DEADLINE" >/dev/null || die "qemhost.exe did not end"
tr -d '\r' <"$ini" | grep -E '^(BandWidth|Player ID)=' | sed 's/^/  QEMPLAY.INI: /'
demo_cleanup
echo "  every process of the copy has ended"
