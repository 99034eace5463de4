#!/usr/bin/env bash
# The streaming engine: (a) the transport client's data path on recorded
# datagrams and the memory hostile input can make it hold, (b) a loopback
# stream through the real sockets, (c) the playback path.
set -eu

dir=${HALVO_BENCH_DIR:-build/bench}

echo "== (a) The client's data path alone (native, datagrams recorded in memory, one core)"
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DHALVO_SANITIZE=OFF >/dev/null
cmake --build "$dir" --target qemliv32_vtp_bench -j2 >/dev/null
bench="$dir/qemliv32/qemliv32_vtp_bench"
status=0
"$bench" rate "${HALVO_BENCH_SECONDS:-3}" || status=1
"$bench" memory || status=1

# --- (b) loopback through the test video server and the socket adapter ---
echo
echo "== (b) Loopback UDP: a bare receive loop against receive + the full data path (same datagrams, same run)"
cmake --build "$dir" --target qemliv32_loopback_bench -j2 >/dev/null
"$dir/qemliv32/posix/qemliv32_loopback_bench" "${HALVO_BENCH_ROUNDS:-9}" || status=1

# --- (c) playback: queues, clock, decoder and wave writer ---
echo
echo "== (c) Playback natively (simulated clock and wave device, the test decoders, one core)"
cmake --build "$dir" --target qemliv32_playback_bench -j2 >/dev/null
"$dir/qemliv32/qemliv32_playback_bench" speed "${HALVO_BENCH_STREAM_SECONDS:-300}" || status=1
"$dir/qemliv32/qemliv32_playback_bench" memory || status=1

exit $status
