#!/bin/sh
# CPU time of an idle agent on the simulated workstation over a minute (IDLE_SECONDS), as a ratio
# against a process that wakes 20 times a second for the same time, measured in the same run.
# Usage: bench/idle-agent.sh BUILD_DIR
set -eu
build="$1"
seconds="${IDLE_SECONDS:-60}"
data="$(mktemp -d)"
trap 'rm -rf "$data"' EXIT
ticks() { awk '{ print $14 + $15 + $16 + $17 }' "/proc/$1/stat"; }

export QT_QPA_PLATFORM=offscreen LUTLOADER_DATA_DIR="$data/agent" XDG_RUNTIME_DIR="$data/run"
mkdir -p "$data/run"
"$build/app/lutloader" --platform sim --run-seconds $((seconds + 30)) >/dev/null 2>&1 &
agent=$!
sleep 15 # start-up and the first loads are not idle time
(while :; do sleep 0.05; done) &
poller=$!
a0=$(ticks "$agent"); p0=$(ticks "$poller")
sleep "$seconds"
a1=$(ticks "$agent"); p1=$(ticks "$poller")
kill "$poller" 2>/dev/null || true
kill "$agent" 2>/dev/null || true
wait "$agent" 2>/dev/null || true
hz=$(getconf CLK_TCK)
awk -v a=$((a1 - a0)) -v p=$((p1 - p0)) -v hz="$hz" -v s="$seconds" 'BEGIN {
  printf "idle agent over %d s: %.2f s CPU; 20-wake-ups-a-second shell loop: %.2f s CPU; ratio %.3f\n",
         s, a / hz, p / hz, (p > 0 ? a / p : 0) }'
