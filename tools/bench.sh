#!/usr/bin/env bash
# Benchmarks, each printing its figures beside its goal or baseline.
# One script per subsystem in tools/bench.d, run in order; ./halvo bench NAME
# runs only the scripts whose names contain NAME. Each runs from the top folder.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
rc=0
for s in "$top"/tools/bench.d/*.sh; do
  case "$(basename "$s")" in *"${1:-}"*) ;; *) continue ;; esac
  (cd "$top" && bash "$s") || { echo "bench: $(basename "$s") failed"; rc=1; }
  echo
done
exit $rc
