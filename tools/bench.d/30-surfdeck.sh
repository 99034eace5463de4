#!/usr/bin/env bash
# The web front end: the bookmark-page parser against libxml2's HTML push
# parser on the same bytes and the time to load the numbered link table;
# the Enter path's own work in instructions; and under Wine, Enter on the
# remote to the WWW_OpenURL request at the test browser.
set -eu

dir=${HALVO_BENCH_DIR:-build/bench}
entries=${HALVO_BENCH_ENTRIES:-20000}
rounds=${HALVO_BENCH_ROUNDS:-200}
status=0
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DHALVO_SANITIZE=OFF >/dev/null

if ! pkg-config --exists libxml-2.0; then
  echo "surfdeck bench: libxml2-dev is missing, no baseline to compare with"
  status=1
else
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
fi

# --- the Enter path natively: WebFrontEnd::onButton with the real driver,
# link table and channel over fakes of the desktop, the library and DDE.
echo
echo "== The Enter path's own work (native, the real driver, link table and items; desktop, library and DDE faked)"
cmake --build "$dir" --target surfdeck_enter_path_bench -j2 >/dev/null
path_bench=$dir/surfdeck/bench/surfdeck_enter_path_bench
presses=2000
ns_per() {  # mode
  "$path_bench" "$1" 200000 | sed -n 's/.*presses, \([0-9]*\) ns per press.*/\1/p'
}
if command -v valgrind >/dev/null; then
  callgrind() {  # mode presses: leaves $dir/enter-cg.out
    valgrind --tool=callgrind --callgrind-out-file="$dir/enter-cg.out" "$path_bench" "$1" "$2" >/dev/null 2>&1
    sed -n 's/^totals: *//p' "$dir/enter-cg.out"
  }
  inclusive() {  # function: its inclusive count in $dir/enter-cg.out, per press
    local n
    n=$(callgrind_annotate --inclusive=yes "$dir/enter-cg.out" 2>/dev/null | grep -F "$1" |
        sed -n 's/^ *\([0-9,]*\) .*/\1/p' | head -1 | tr -d ,)
    echo $(( ${n:-0} / presses ))
  }
  printf '  %-30s %11s %10s %12s %12s %10s   %s\n' press "instr/press" "ns/press" \
    "LinkTable::open" "openUrlItem" "fake DDE" "of the 1 ms goal"
  for mode in numbered next digit; do
    base=$(callgrind "$mode" 0)
    run=$(callgrind "$mode" "$presses")
    per=$(( (run - base) / presses ))
    open=$(inclusive 'LinkTable::open(int)')
    item=$(inclusive 'openUrlItem(')
    fake=$(inclusive 'LastItemDde::request(')
    ns=$(ns_per "$mode")
    case $mode in
      numbered) label="digit, then Enter (link n)" ;;
      next) label="Enter alone (the next link)" ;;
      digit) label="a digit alone" ;;
    esac
    printf '  %-30s %11s %10s %12s %12s %10s   %s\n' "$label" "$per" "$ns" "$open" "$item" "$fake" \
      "$(awk -v ns="$ns" 'BEGIN { printf "%.3f%%", ns / 1e4 }')"
  done
  echo "  (per press: callgrind's count of $presses presses less a run of none, over $presses;"
  echo "   the three function columns are inclusive and part of the first; ns is wall time over 200000)"
else
  echo "  valgrind is missing: wall time only"
  for mode in numbered next digit; do echo "  $mode: $(ns_per "$mode") ns per press"; done
fi

# --- under Wine: the poll tick that reads Enter to the request at the browser.
echo
echo "== Enter to the browser under Wine: the poll tick that reads Enter to WWW_OpenURL at the test browser,"
echo "   beside the library's delivery and a bare DDE connect-request-disconnect (same run, $rounds each)"
source tools/bench-wine.sh
cmake --build "$HALVO_WIN32_BUILD" --target surfdeck_enter_bench -j2 >/dev/null
tools/install-suite.sh >/dev/null
# With the notification on, the first process would switch it off and hand
# the clients a notice first.
bench_wine_ready
cd "$HALVO_SUITE"
# About rounds x 1.3 s: one press or exchange per 200 ms tick, the phases in turns. The drive is reset before and after.
"$HALVO_WINE" surfdeck_enter_bench.exe "$rounds" || status=1
"$HALVO_WINE" halvo-remote.exe reset >/dev/null
exit $status
