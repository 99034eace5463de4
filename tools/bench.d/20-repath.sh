#!/usr/bin/env bash
# The installer helper: patching a 256 MB file beside a plain memmem scan.
set -eu
dir=${HALVO_BENCH_DIR:-build/bench}
echo "== Path patcher (native, page cache warm)"
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DHALVO_SANITIZE=OFF >/dev/null
cmake --build "$dir" --target patch_bench -j"$(nproc)" >/dev/null
"$dir/repath/bench/patch_bench" "$dir/patch_bench.dat" "${HALVO_BENCH_PATCH_MB:-256}"
