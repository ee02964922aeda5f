#!/bin/sh
# Installs what is missing, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs the whole test suite.
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLUTLOADER_SANITIZE=ON -DLUTLOADER_TESTS=ON -DLUTLOADER_BENCH=OFF
cmake --build build
ctest --test-dir build --output-on-failure -j2 "$@"
