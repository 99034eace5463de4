#!/usr/bin/env bash
# One engine test against the native test server:
#   run_engine_test.sh NATIVE_BUILD CASE TEST_EXE [qemsrv options...]
# The server serves one session on a free port (QEMSRV_PORT); the sound
# device of the test's processes is ALSA's file plugin writing a WAV file
# (HALVO_SOUND_FILE, as a Windows path), so the test can listen to it.
set -eu
native=$1 case=$2 exe=$3
shift 3
top=$(cd "$(dirname "$0")/../../.." && pwd)
qemsrv=$native/sim/server/qemsrv
[ -x "$qemsrv" ] || { echo "$qemsrv is missing: build the native tree first" >&2; exit 1; }
work=$(mktemp -d)
server_pid=
cleanup() {
  if [ -n "$server_pid" ]; then kill "$server_pid" 2>/dev/null || true; fi
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

"$qemsrv" --port 0 --sessions 1 --quiet 1 "$@" >"$work/server.log" 2>&1 &
server_pid=$!
for _ in $(seq 100); do
  grep -q '^listening' "$work/server.log" && break
  sleep 0.05
done
port=$(awk '/^listening/ {print $3; exit}' "$work/server.log")
[ -n "$port" ] || { echo "qemsrv did not start:" >&2; cat "$work/server.log" >&2; exit 1; }

cat >"$work/alsa.conf" <<CONF
pcm.!default { type file slave.pcm "null" file "$work/sound.wav" format "wav" }
ctl.!default { type hw card 0 }
CONF
export HALVO_ALSA_CONF="$work/alsa.conf"
export QEMSRV_PORT=$port
export HALVO_SOUND_FILE="Z:${work//\//\\}\\sound.wav"
rc=0
"$top/tools/wine-run" "$exe" --gtest_filter="EngineTest.$case" || rc=$?
if [ $rc -ne 0 ]; then
  echo "--- server log" >&2
  tail -n 40 "$work/server.log" >&2
fi
exit $rc
