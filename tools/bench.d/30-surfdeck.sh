#!/usr/bin/env bash
# The bookmark-page parser against libxml2's HTML push parser on the same
# bytes, and the time to load the numbered link table.
set -eu

dir=${HALVO_BENCH_DIR:-build/bench}
entries=${HALVO_BENCH_ENTRIES:-20000}
pkg-config --exists libxml-2.0 || { echo "surfdeck bench: libxml2-dev is missing, no baseline to compare with"; exit 1; }
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DHALVO_SANITIZE=OFF >/dev/null
cmake --build "$dir" --target surfdeck_bench -j2 >/dev/null
bench=$dir/surfdeck/bench/surfdeck_bench
scratch=$dir/surfdeck_bench_bookmarks.htm

echo "== Bookmark parsing: our parser chain against libxml2's HTML push parser (SAX, no tree), wall time"
"$bench" "$entries" "${HALVO_BENCH_RUNS:-15}" "$scratch"

# Wall time on a shared machine wanders; instructions do not.
if command -v valgrind >/dev/null; then
  echo
  echo "== The same parses counted in instructions (callgrind, one parse each)"
  printf '  %-34s %16s %16s %9s\n' file ours libxml2 ratio
  for which in browser closed; do
    valgrind --tool=callgrind --callgrind-out-file="$dir/surfdeck-cg.out" \
      "$bench" "$entries" 1 "$scratch" "$which" >/dev/null 2>&1
    total() { callgrind_annotate --inclusive=yes "$dir/surfdeck-cg.out" 2>/dev/null |
              sed -n "s/^ *\([0-9,]*\) .*$1.*/\1/p" | head -1 | tr -d ,; }
    ours=$(total parseOurs)
    theirs=$(total parseLibxml2)
    label="browser export, $entries entries"
    [ "$which" = closed ] && label="own file, comment closed by -->"
    printf '  %-34s %16s %16s %8sx\n' "$label" "$ours" "$theirs" \
      "$(awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "%.2f", b / a }')"
  done
fi
