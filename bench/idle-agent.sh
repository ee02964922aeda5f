#!/bin/sh
# An idle agent on a simulated workstation where it ran before (three displays with a stored calibration each,
# RemindMinutes 1 so that the periodic tasks run) beside a bare Qt Widgets tray app built with
# the same flags, both measured in the same run over IDLE_SECONDS (default 60) after
# WARMUP_SECONDS (default 100: the start-up loads and the first task runs are not idle time).
# Prints CPU time, context switches per minute of every thread (voluntary and not, sampled
# every SAMPLE_SECONDS so that threads which end in the window still count) and resident memory
# by kind of mapping.
# Usage: bench/idle-agent.sh BUILD_DIR
set -eu
build="$1"
seconds="${IDLE_SECONDS:-60}"
warmup="${WARMUP_SECONDS:-100}"
step="${SAMPLE_SECONDS:-2}"
data="$(mktemp -d)"
agent=""
bare=""
# The status of the script is its own, not that of the processes it stops on the way out.
cleanup() {
  status=$?
  for pid in $agent $bare; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true; done
  rm -rf "$data"
  exit "$status"
}
trap cleanup EXIT
export QT_QPA_PLATFORM=offscreen LUTLOADER_DATA_DIR="$data/agent" XDG_RUNTIME_DIR="$data/run"
mkdir -p "$data/run" "$data/agent"
ctl() { "$build/app/lutloaderctl" --platform sim "$@"; }

# A workstation where the agent ran before: its first start (which asks the system for its
# proxy and name) is not what every later day looks like.
"$build/app/lutloader" --platform sim --run-seconds 1 >/dev/null 2>&1 || true
exponent=18
for id in $(ctl --json displays | tr '{' '\n' | sed -n 's/.*"id":\([0-9]*\).*/\1/p'); do
  ctl lut store "$id" --gamma "1.$exponent" >/dev/null
  exponent=$((exponent + 2))
done
ctl pref set RemindMinutes 1 >/dev/null

"$build/app/lutloader" --platform sim --run-seconds $((warmup + seconds + 60)) >/dev/null 2>&1 &
agent=$!
"$build/bench/bare_tray_app" >/dev/null 2>&1 &
bare=$!
sleep "$warmup"

ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
# One line per thread: sample number, process tag, thread id, voluntary and involuntary
# switches so far, name. Involuntary ones are preemptions, which grow with the machine's load.
sample() {
  for task in /proc/"$2"/task/*; do
    awk -v n="$3" -v p="$1" -v t="${task##*/}" -v c="$(cat "$task/comm" 2>/dev/null | tr ' ' '_')" \
      '/^voluntary_ctxt_switches/ { v = $2 } /^nonvoluntary_ctxt_switches/ { i = $2 }
       END { if (NR) print n, p, t, v, i, c }' \
      "$task/status" 2>/dev/null || true
  done
}
a0=$(ticks "$agent")
b0=$(ticks "$bare")
n=0
end=$(($(date +%s) + seconds))
while :; do
  sample agent "$agent" "$n" >>"$data/samples"
  sample bare "$bare" "$n" >>"$data/samples"
  [ "$(date +%s)" -lt "$end" ] || break
  n=$((n + 1))
  sleep "$step"
done
a1=$(ticks "$agent")
b1=$(ticks "$bare")
rss() { awk '/^VmRSS/ { print $2 }' "/proc/$1/status"; }
ra=$(rss "$agent")
rb=$(rss "$bare")
# Resident memory by kind of mapping, in KiB: "kind name KiB" lines.
smaps() {
  awk -v p="$1" '
    /^[0-9a-f]+-[0-9a-f]+ / { file = (NF >= 6 ? $6 : ""); next }
    /^Rss:/ {
      kind = "anonymous (heap, arenas, stacks)"
      if (file ~ /libQt6/) kind = "Qt libraries"
      else if (file ~ /\/plugins\//) kind = "Qt plugins"
      else if (file ~ /\.so/) kind = "other shared libraries"
      else if (file ~ /^\//) kind = "program and other files"
      else if (file == "[heap]") kind = "main heap"
      else if (file == "[stack]") kind = "main stack"
      rss[kind] += $2 }
    END { for (k in rss) print p "\t" k "\t" rss[k] }' "/proc/$2/smaps"
}
{ smaps agent "$agent"; smaps bare "$bare"; } >"$data/smaps"
# SMAPS_DIR keeps both processes' full maps for a closer look.
if [ -n "${SMAPS_DIR:-}" ]; then
  mkdir -p "$SMAPS_DIR"
  cp "/proc/$agent/smaps" "$SMAPS_DIR/agent.smaps"
  cp "/proc/$bare/smaps" "$SMAPS_DIR/bare.smaps"
fi

echo "idle over $seconds s (after $warmup s), simulated workstation; reference: bare Qt Widgets tray app"
awk -v hz="$(getconf CLK_TCK)" -v s="$seconds" -v a=$((a1 - a0)) -v b=$((b1 - b0)) 'BEGIN {
  printf "%-34s %10s %10s\n", "", "agent", "bare tray"
  printf "%-34s %10.2f %10.2f\n", "CPU time (s)", a / hz, b / hz
  printf "%-34s %9.3f%% %9.3f%%\n", "CPU share of the window", 100 * a / hz / s, 100 * b / hz / s }'
# A thread seen first after sample 0 started in the window and counts from zero.
awk -v s="$seconds" '
  { key = $2 " " $3
    if (!(key in first)) { firstV[key] = ($1 == 0 ? $4 : 0); first[key] = ($1 == 0 ? $5 : 0); name[key] = $6 }
    lastV[key] = $4; last[key] = $5 }
  END {
    for (key in last) { split(key, k, " "); v = lastV[key] - firstV[key]; i = last[key] - first[key]
      vol[k[1]] += v; invol[k[1]] += i
      if (k[1] == "agent")
        lines = lines sprintf("  %-16s %8s %10.1f %10.1f\n", name[key], k[2], v * 60 / s, i * 60 / s) }
    printf "%-34s %10.1f %10.1f\n", "context switches per minute", (vol["agent"] + invol["agent"]) * 60 / s,
      (vol["bare"] + invol["bare"]) * 60 / s
    printf "%-34s %10.1f %10.1f\n", "  of which voluntary (wake-ups)", vol["agent"] * 60 / s, vol["bare"] * 60 / s
    printf "agent threads (name, id, voluntary and involuntary switches per minute):\n%s", lines }' \
  "$data/samples"
awk -v a="$ra" -v b="$rb" 'BEGIN {
  printf "%-34s %10.1f %10.1f   ratio %.2f\n", "resident memory (MiB)", a / 1024, b / 1024, (b > 0 ? a / b : 0) }'
awk -F '\t' '{ kib[$2, $1] = $3; kinds[$2] = 1 }
  END { for (k in kinds) printf "  %-32s %10.1f %10.1f\n", k, kib[k, "agent"] / 1024, kib[k, "bare"] / 1024 }' \
  "$data/smaps" | sort
