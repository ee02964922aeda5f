#!/bin/sh
# A simulated week of the agent in minutes: the soak test with seven days instead of CI's
# two. The figures (RSS, threads, descriptors after the first and the last day) are printed.
# Usage: scripts/soak.sh [BUILD_DIR] [REAL_SECONDS_PER_DAY]   (defaults: build, 40)
set -eu
cd "$(dirname "$0")/.."
build="${1:-build}"
day="${2:-40}"
cmake --build "$build" --target test_soak lutloader lutloaderctl mainapp_standin -j2
output="$(mktemp)"
trap 'rm -f "$output"' EXIT
status=0
data="$(cd "$build" && pwd)/testdata/test_soak"
mkdir -p "$data/run"
LUTLOADER_SOAK_DAYS="${LUTLOADER_SOAK_DAYS:-7}" LUTLOADER_SOAK_DAY_SECONDS="$day" \
  LUTLOADER_DATA_DIR="$data" XDG_SESSION_ID=test-test_soak XDG_RUNTIME_DIR="$data/run" \
  LUTLOADER_TEST_TOOLS="$(cd "$build" && pwd)/tools" QT_QPA_PLATFORM=offscreen \
  "$build/tests/app/tray/test_soak" >"$output" 2>&1 || status=$?
grep -E 'soak |Failure|Expected|Which is|not calibrated|leaked|grew|held after|tests passed|tests failed' "$output" || true
[ "$status" -eq 0 ] || tail -n 60 "$output"
exit "$status"
