#!/bin/sh
# Installs what is missing, builds the agent and runs it headless on the built-in
# simulated workstation for a bounded time (default 60 s, or until Ctrl-C), printing
# what it does: the displays found, the LUTs loaded, the tasks run and due.
# The whole log, every line, is in build-demo/demo-data/logb.qlog.
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build-demo -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUTLOADER_SANITIZE=OFF -DLUTLOADER_TESTS=OFF -DLUTLOADER_BENCH=OFF >/dev/null
cmake --build build-demo --target lutloader lutloaderctl mainapp_standin
export QT_QPA_PLATFORM=offscreen
# The demo agent is a session of its own: it never meets the agent of the desktop session, and a
# second demo started meanwhile says that one already runs.
export XDG_SESSION_ID=lutloader-demo
export LUTLOADER_DATA_DIR="${LUTLOADER_DATA_DIR:-$PWD/build-demo/demo-data}"
CTL="./build-demo/app/lutloaderctl --platform sim"

# A calibrated workstation: the displays are registered and each has a stored calibration
# table, as the main application leaves them after calibrating.
$CTL dbdisplays refresh
id=1
for exponent in 0.85 1.0 1.15; do
  $CTL lut store "$id" --gamma "$exponent" || true
  id=$((id + 1))
done

echo "demo: agent running for ${1:-60} s on the simulated workstation in session \"$XDG_SESSION_ID\" (Ctrl-C ends it)"
./build-demo/app/lutloader --platform sim --echo --run-seconds "${1:-60}" 2>&1 |
  grep --line-buffered -E "tot displays|display [A-Z]+-[0-9]+ on card|loadLUT\(\) display=|LUT activation|loadLUT\(\) finished|calibrated|LutLoadEnd|Next Task|first due in|Task .* (started|finished)|Emit signal|is due|LutLoader (start|end)|another LutLoader runs" || true
