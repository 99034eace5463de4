#!/usr/bin/env bash
# Benchmarks, each printing its figures beside its baseline.
set -eu
source "$(dirname "$0")/wine-env.sh"
"$WINESERVER" -p 2>/dev/null || true
trap '"$WINESERVER" -k 2>/dev/null || true' EXIT
"$HALVO_WINE" "$HALVO_SUITE/halvo-remote.exe" reset >/dev/null
cd "$HALVO_SUITE"
"$HALVO_WINE" beamhub_bench.exe "${1:-2000}"
