#!/usr/bin/env bash
# The remote-control library: the poll's cost per tick and delivery across processes.
set -eu

echo "== The poll's own work per tick (native, drive and windows answered by fakes)"
cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DHALVO_SANITIZE=OFF >/dev/null
cmake --build build/bench --target poll_bench -j"$(nproc)" >/dev/null
bench=build/bench/beamhub/bench/poll_bench
instructions() {  # mode ticks: callgrind's total
  valgrind --tool=callgrind --callgrind-out-file=build/bench/cg.out "$bench" "$1" "$2" >/dev/null 2>&1
  sed -n 's/^totals: *//p' build/bench/cg.out
}
printf '  %-8s %12s %14s   %s\n' tick "ns/tick" "instr/tick" "goal"
# copy: one consistent copy of a full client table, as every offer takes.
for mode in idle button copy; do
  ns=$("$bench" "$mode" 200000 | sed -n 's/.*, \([0-9.]*\) ns per tick.*/\1/p')
  base=$(instructions "$mode" 0)
  run=$(instructions "$mode" 2000)
  per=$(( (run - base) / 2000 ))
  goal="-"
  [ "$mode" = idle ] && goal="idle tick under 50 us (50000 ns): $([ "${ns%.*}" -lt 50000 ] && echo met || echo NOT met)"
  printf '  %-8s %12s %14s   %s\n' "$mode" "$ns" "$per" "$goal"
done

echo
echo "== Cross-process delivery under Wine"
source tools/bench-wine.sh
# The detector rows start detector.exe, which would first ask to restart
# Windows with the notification on.
bench_wine_ready
cd "$HALVO_SUITE"
"$HALVO_WINE" beamhub_bench.exe "${HALVO_BENCH_ROUNDS:-2000}"

echo
echo "== Poll latency under Wine (a tick's start to a client in another process)"
# About 45 s: one press per 200 ms tick. The drive is reset before and after.
"$HALVO_WINE" beamhub_poll_bench.exe "${HALVO_BENCH_PRESSES:-200}"
"$HALVO_WINE" halvo-remote.exe reset >/dev/null
