# Sourced by the benches that run under Wine (from the top folder): the
# suite's environment, and bench_wine_ready, which keeps the prefix's server
# up for the rest of the run (stopped at exit), puts the virtual drive back
# to its defaults and switches the drives' automatic insert notification
# off, so that no program's start-up asks to restart Windows.
source tools/wine-env.sh
source tools/x11-prefix.sh

bench_wine_ready() {
  "$WINESERVER" -p 2>/dev/null || true
  trap '"$WINESERVER" -k 2>/dev/null || true' EXIT
  "$HALVO_WINE" wineboot </dev/null >/dev/null 2>&1 || true
  "$HALVO_WINE" "$HALVO_SUITE/halvo-remote.exe" reset >/dev/null
  switch_auto_insert_off || { echo "bench: the automatic insert notification stays on" >&2; return 1; }
}
