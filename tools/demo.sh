#!/usr/bin/env bash
# A scripted run of the installed suite under Wine: the resident detector
# with two copies of mmcdclient.exe playing a player and a browser, with
# the virtual drive standing in for the hardware; then the detector in the
# tray under Xvfb (tools/demo-detector.sh), the playback panel it starts
# (tools/demo-panel.sh), the web front end working the test browser
# (tools/demo-web.sh) and a stream from the test server playing in a host
# window (tools/demo-stream.sh). Every line shown after "<" is printed by a
# real Win32 process.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
source "$(dirname "$0")/x11-prefix.sh"
source "$(dirname "$0")/demo-lib.sh"

readonly SUITE_KEY='HKCU\Software\Quorvane Tech\Quorvane Halvo Suite\1.0'
readonly LINE_TIMEOUT=20   # seconds to wait for any one line
work=$(mktemp -d)
declare -A IN OUT PID

cleanup() {
  local name
  for name in "${!PID[@]}"; do kill "${PID[$name]}" 2>/dev/null || true; done
  "$WINESERVER" -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

wine_quiet() { timeout 60 "$HALVO_WINE" "$@" </dev/null 2>/dev/null | tr -d '\r'; }

# start NAME: runs mmcdclient.exe from the suite folder with its input and
# output on fifos, and shows its first line.
start() {
  local name=$1 line
  mkfifo "$work/$name.in" "$work/$name.out"
  (cd "$HALVO_SUITE" && exec "$HALVO_WINE" mmcdclient.exe \
     <"$work/$name.in" >"$work/$name.out" 2>/dev/null) &
  PID[$name]=$!
  # Opened for reading and writing, so that opening never waits for the child.
  local in out
  exec {in}<>"$work/$name.in" {out}<>"$work/$name.out"
  IN[$name]=$in OUT[$name]=$out
  read -r -t "$LINE_TIMEOUT" line <&"${OUT[$name]}" || die "$name did not start"
  printf '  %-9s< %s\n' "$name" "$line"
  [[ $line == ready* ]] || die "$name could not load beamhub.dll ($line)"
}

# send NAME COMMAND [EXPECTED]: sends one command and shows the lines up to
# its result; the result must start with EXPECTED when given.
send() {
  local name=$1 command=$2 expected=${3:-} line
  printf '  %-9s> %s\n' "$name" "$command"
  echo "$command" >&"${IN[$name]}" || die "cannot write to $name"
  while read -r -t "$LINE_TIMEOUT" line <&"${OUT[$name]}"; do
    printf '  %-9s< %s\n' "$name" "$line"
    [[ $line == msg* ]] && continue
    [[ -z $expected || $line == "$expected"* ]] || die "$name answered '$line', expected '$expected'"
    return 0
  done
  die "no answer from $name to '$command'"
}

# messages NAME: shows the remote messages NAME has received meanwhile.
messages() {
  local name=$1 line
  echo "echo" >&"${IN[$name]}" || die "cannot write to $name"
  while read -r -t "$LINE_TIMEOUT" line <&"${OUT[$name]}"; do
    [[ $line == echo* ]] && return 0
    printf '  %-9s< %s\n' "$name" "$line"
  done
  die "no answer from $name"
}

# expect NAME CODE: waits for NAME to print that it received CODE, and
# shows the lines up to it.
expect() {
  local name=$1 code=$2 line
  while read -r -t "$LINE_TIMEOUT" line <&"${OUT[$name]}"; do
    printf '  %-9s< %s\n' "$name" "$line"
    [[ $line == "msg $code "* ]] && return 0
  done
  die "$name did not receive $code"
}

stop() {
  local name=$1
  local pid=${PID[$name]} tenths=0
  send "$name" quit bye
  while kill -0 "$pid" 2>/dev/null; do
    ((++tenths < 10 * LINE_TIMEOUT)) || die "$name did not end"
    sleep 0.1
  done
  wait "$pid" || die "$name did not end cleanly"
  unset "PID[$name]"
  exec {IN[$name]}>&- {OUT[$name]}<&-
}

[ -f "$HALVO_SUITE/mmcdclient.exe" ] || die "the suite is not installed in $HALVO_SUITE (run ./halvo build)"
"$WINESERVER" -p 2>/dev/null || true
trap '' PIPE
# Wine's own services start with the first program: let them start here,
# without this script's output, so that nothing holds it open afterwards.
timeout 60 "$HALVO_WINE" wineboot </dev/null >/dev/null 2>&1 || true

narrate "The virtual drive back to its default: D: with the IR receiver, F: a plain CD-ROM"
wine_quiet "$HALVO_SUITE/halvo-remote.exe" reset | sed 's/^/  /'
wine_quiet reg delete "$SUITE_KEY" /f >/dev/null || true
# With it on, the first program would raise the restart question.
switch_auto_insert_off || die "the drives' automatic insert notification stays on"
echo "  (no saved settings: the first program's folder, C:\\Halvo, is the default for all paths)"

narrate "The player starts: the library finds the receiver drive and programs it"
start player
send player register "register status=80000000"
send player "getcap 0x1001" "getcap status=80000000 current=D: letters=D"

narrate "The browser starts and registers too: both are in one table"
start browser
send browser register "register status=80000000"

narrate "The detector starts and holds the remote's capture: every button reaches it first"
(cd "$HALVO_SUITE" && exec "$HALVO_WINE" detector.exe </dev/null >"$work/detector.out" 2>&1) &
PID[detector]=$!
wintool="$HALVO_WIN32_BUILD/bin/tools/halvo-wintool.exe"
timeout 60 "$HALVO_WINE" "$wintool" wait MmcdDetectorClass Status 20 </dev/null >/dev/null 2>&1 ||
  die "detector.exe did not start"
echo "  detector.exe runs (its status window \"Status\" is up); the capture is taken:"
send player capture "capture status=80000003"

narrate "Web pressed on the remote: the detector offers it on, the browser takes it (answers 1)"
send browser "answer 1"
remote() { printf '  remote   > %s\n' "$*"; (cd "$HALVO_SUITE" && wine_quiet halvo-remote.exe "$@") >/dev/null ||
  die "halvo-remote $* failed"; }
remote press Web
expect player 1026
expect browser 1026
echo "  The player passed it on (2); the browser took it, so the detector starts nothing."

narrate "A command request (code 1091) answered by the player in another process"
send player "reply 3 track-3-of-12"
send browser "command 1 5 0 - 32" "command status=80000000 class=0001 value=00000003 length=13 payload=track-3-of-12"
messages player

narrate "The player changes the mouse step; the settings are saved when the last program leaves"
send player "setcap 0x1004 7" "setcap status=80000000"
timeout 60 "$HALVO_WINE" "$wintool" command MmcdDetectorClass "Mmcd Detector" 40003 </dev/null >/dev/null 2>&1 ||
  die "the detector's quit command could not be sent"
wait "${PID[detector]}" || die "detector.exe did not end cleanly"
unset 'PID[detector]'
echo "  detector.exe ended (its tray menu's quit command)"
stop browser
stop player
wine_quiet reg query "$SUITE_KEY" | sed '/^$/d; s/^/  /'
wine_quiet reg query "$SUITE_KEY" /v MouseInterval | grep -q '0x7' ||
  die "MouseInterval 7 was not saved"

narrate "The drive's command log: pages 0x20 and 0x21 sent three times when the first"
echo "   program loaded the library (PC mode on) and when the last one left (off)"
echo "  (page 0x20 parameter byte 1 is the 12th data byte: 01 = PC mode, 00 = stand-alone)"
wine_quiet "$HALVO_SUITE/halvo-remote.exe" log >"$work/log"
grep -m 6 MODE-SELECT "$work/log" | cut -c1-122 | sed 's/^/  /'
echo "  ..."
tail -n 6 "$work/log" | cut -c1-122 | sed 's/^/  /'

narrate "The remote end to end: mmcdmon (a registered program) prints every code it receives"
echo "   while the virtual remote is pressed: digits, mouse lock with a held mouse key"
echo "   (moves the pointer, never delivered), Play, Mute, then a Video CD put in."
wine_quiet "$HALVO_SUITE/halvo-remote.exe" reset >/dev/null
(cd "$HALVO_SUITE" && WINEDEBUG=trace+winmm exec "$HALVO_WINE" mmcdmon.exe --seconds 12 \
   </dev/null >"$work/mon.out" 2>"$work/mon.err") &
PID[mmcdmon]=$!
for i in $(seq 1 100); do grep -q 'waiting for codes' "$work/mon.out" 2>/dev/null && break; sleep 0.1; done
grep -q 'waiting for codes' "$work/mon.out" || die "mmcdmon did not start"
remote press Button1
remote press Button2
remote press MouseLock
remote press MouseUp --hold 5
remote press MouseLock
remote press Play
remote press Mute
remote eject
remote insert "$HALVO_TOP/sim/discs/videocd"
remote close
wait "${PID[mmcdmon]}" || true
unset 'PID[mmcdmon]'
echo "  mmcdmon printed (ms since its previous line, code, name, status record):"
tr -d '\r' <"$work/mon.out" | cut -c1-150 | sed 's/^/    /'
grep -q ' 1090 ' "$work/mon.out" || die "the disc event did not arrive"
echo "  announcements played, in order:"
sed -n 's/.*proc_PlaySound SoundName=L"\(.*\)".*/\1/p' "$work/mon.err" | sed 's/\\\\/\\/g; s/^/    /'

narrate "A stream from the test video server, received by qemcat.exe"
echo "   qemsrv (the native test server) sends a generated clip on loopback, losing"
echo "   and reordering 5% of the datagrams; qemcat.exe, the Win32 client, prints"
echo "   every frame it hands over and what it reported lost."
server="$HALVO_TOP/build/native/sim/server/qemsrv"
[ -x "$server" ] || die "no $server (./halvo build makes it)"
"$server" --port 0 --frames 60 --fps 250 --loss 0.05 --reorder 0.05 --seed 7 --sessions 1 \
  >"$work/srv.out" 2>&1 &
PID[qemsrv]=$!
for i in $(seq 1 50); do grep -q '^listening' "$work/srv.out" 2>/dev/null && break; sleep 0.1; done
port=$(awk '/^listening/{print $3; exit}' "$work/srv.out")
[ -n "$port" ] || die "qemsrv did not start"
set +e
(cd "$HALVO_SUITE" && timeout 60 "$HALVO_WINE" qemcat.exe "qem://127.0.0.1:$port/clip" \
   </dev/null 2>&1 | tr -d '\r') >"$work/cat.out"
rc=${PIPESTATUS[0]}
set -e
wait "${PID[qemsrv]}" 2>/dev/null || true
unset 'PID[qemsrv]'
echo "  qemcat.exe printed (first frames, then the end):"
grep -m 6 '^frame' "$work/cat.out" | sed 's/^/    /'
echo "    ..."
grep -v '^frame' "$work/cat.out" | tail -5 | sed 's/^/    /'
echo "  exit status $rc (0: the stream reached its end of transmission)"
echo "  qemsrv's log of the client's reception reports:"
grep -E '^(report|final-report)' "$work/srv.out" | cut -c1-140 | sed 's/^/    /'

narrate "The installer helper writes the installation path behind a marker"
printf 'Path=<<INSTALLDIR>>C:\\TEMP\\OLD;\r\nVoices=wave\r\n' >"$HALVO_SUITE/demo.ini"
echo "  before: $(tr -d '\r' <"$HALVO_SUITE/demo.ini" | head -1)"
(cd "$HALVO_SUITE" && wine_quiet repath.exe demo.ini '<<INSTALLDIR>>' 'C:\Halvo') || die "repath.exe failed"
echo "  repath.exe demo.ini '<<INSTALLDIR>>' 'C:\Halvo'  (exit 0: the file was opened)"
echo "  after:  $(head -1 "$HALVO_SUITE/demo.ini" | tr -d '\r' | sed 's/\x0/<NUL>/')"
rc=0
(cd "$HALVO_SUITE" && timeout 60 "$HALVO_WINE" repath.exe absent.ini '<<INSTALLDIR>>' 'C:\Halvo' \
   </dev/null 2>"$work/repath.err") || rc=$?
echo "  repath.exe absent.ini ...  (exit $rc: $(tr -d '\r' <"$work/repath.err"))"
rm -f "$HALVO_SUITE/demo.ini"

"$WINESERVER" -k 2>/dev/null || true
"$WINESERVER" -w 2>/dev/null || true
"$(dirname "$0")/demo-detector.sh" || die "the detector section failed"
"$(dirname "$0")/demo-panel.sh" || die "the panel section failed"
"$(dirname "$0")/demo-web.sh" || die "the web section failed"
"$(dirname "$0")/demo-stream.sh" || die "the streaming section failed"

echo
echo "demo: done"
