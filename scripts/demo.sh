#!/bin/sh
# Installs what is missing, builds the agent and runs it headless on the built-in
# simulated workstation for a bounded time (default 60 s, or until Ctrl-C),
# printing what it does.
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build-demo -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUTLOADER_SANITIZE=OFF -DLUTLOADER_TESTS=OFF -DLUTLOADER_BENCH=OFF >/dev/null
cmake --build build-demo --target lutloader lutloaderctl mainapp_standin
export QT_QPA_PLATFORM=offscreen
export LUTLOADER_DATA_DIR="${LUTLOADER_DATA_DIR:-$PWD/build-demo/demo-data}"
exec ./build-demo/app/lutloader --platform sim --echo --run-seconds "${1:-60}"
