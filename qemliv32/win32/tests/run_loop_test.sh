#!/usr/bin/env bash
# One case of the native loopback tests with qemcat.exe under Wine as the
# client: run_loop_test.sh NATIVE_BUILD CASE QEMCAT_EXE
set -eu
native=$1 case=$2 exe=$3
tests=$native/qemliv32/posix/qemliv32_loop_tests
if [ ! -x "$tests" ]; then
  echo "$tests is missing: build the native tree first (./halvo build)" >&2
  exit 1
fi
top=$(cd "$(dirname "$0")/../../.." && pwd)
export VTP_LOOP_CLIENT="$top/tools/wine-run;$exe"
exec "$tests" --gtest_filter="Loopback.$case"
