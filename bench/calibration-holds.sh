#!/bin/sh
# Runs the agent on the simulated workstation (RemindMinutes 1, so the periodic reloads and the
# other tasks start after a minute) and reads every display's gamma ramp with `gamma get` every
# 0.5 s for HOLD_SECONDS (default 600). Once a display shows its calibration it must keep it:
# any sample that differs from the calibrated ramp (the linear ramp of a forced reload, say)
# is counted and makes the script fail.
# Usage: bench/calibration-holds.sh BUILD_DIR
set -eu
build="$1"
seconds="${HOLD_SECONDS:-600}"
data="$(mktemp -d)"
agent=""
cleanup() {
  [ -n "$agent" ] && kill "$agent" 2>/dev/null && wait "$agent" 2>/dev/null
  rm -rf "$data"
}
trap cleanup EXIT
export QT_QPA_PLATFORM=offscreen LUTLOADER_DATA_DIR="$data/agent" XDG_RUNTIME_DIR="$data/run"
mkdir -p "$data/run" "$data/agent"
ctl() { "$build/app/lutloaderctl" --platform sim "$@"; }

outputs=$(ctl gamma list | cut -f1)
# A calibration per display, marked as loaded when the agent last ran.
ids=$(ctl --json displays | tr '{' '\n' | sed -n 's/.*"id":\([0-9]*\).*/\1/p')
exponent=18
for id in $ids; do
  ctl lut store "$id" --gamma "1.$exponent" >/dev/null
  exponent=$((exponent + 2))
done
ctl pref set RemindMinutes 1 >/dev/null
for output in $outputs; do ctl gamma get "$output" >"$data/linear-$output"; done

"$build/app/lutloader" --platform sim --run-seconds $((seconds + 60)) >/dev/null 2>&1 &
agent=$!

samples=0
bad=0
end=$(($(date +%s) + seconds))
while [ "$(date +%s)" -lt "$end" ]; do
  for output in $outputs; do
    ctl gamma get "$output" >"$data/now" 2>/dev/null || continue
    samples=$((samples + 1))
    if [ -f "$data/calibrated-$output" ]; then
      if ! cmp -s "$data/now" "$data/calibrated-$output"; then
        bad=$((bad + 1))
        if cmp -s "$data/now" "$data/linear-$output"; then what="the linear ramp"; else what="another ramp"; fi
        echo "$(date +%T) $output shows $what"
      fi
    elif ! cmp -s "$data/now" "$data/linear-$output"; then
      cp "$data/now" "$data/calibrated-$output"
      echo "$(date +%T) $output calibrated"
    fi
  done
  sleep 0.5
done
calibrated=$(ls "$data" | grep -c '^calibrated-' || true)
echo "$samples samples over $seconds s, $calibrated of $(echo $outputs | wc -w) outputs calibrated, $bad samples off the calibration"
[ "$bad" -eq 0 ] && [ "$calibrated" -gt 0 ]
