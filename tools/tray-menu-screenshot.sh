#!/usr/bin/env bash
# Takes a picture of the tray menu: a private Xvfb with a small system tray (trayer),
# the agent on the simulated workstation, a click on its icon, a screenshot.
#   tools/tray-menu-screenshot.sh [BUILD_DIR] [OUTPUT_PNG]
# Needs xvfb, trayer, xdotool and imagemagick (scripts/install-deps.sh).
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${1:-$ROOT/build}"
OUTPUT="${2:-$ROOT/docs/tray-menu.png}"
AGENT="$BUILD/app/lutloader"
[ -x "$AGENT" ] || { echo "no agent at $AGENT (build the lutloader target)" >&2; exit 1; }

WORK="$(mktemp -d)"
PIDS=()
cleanup() {
  for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$WORK"
}
trap cleanup EXIT

# A display number no other server uses.
NUM=87
while [ -e "/tmp/.X11-unix/X$NUM" ] || [ -e "/tmp/.X$NUM-lock" ]; do NUM=$((NUM + 1)); done
export DISPLAY=":$NUM"

Xvfb "$DISPLAY" -screen 0 640x400x24 -nolisten tcp >"$WORK/xvfb.log" 2>&1 &
PIDS+=($!)
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
xsetroot -solid '#3a4a5a'

trayer --edge top --align right --widthtype request --height 28 --transparent false \
  --tint 0xdddddd --SetDockType true >"$WORK/trayer.log" 2>&1 &
PIDS+=($!)
sleep 1

mkdir -p "$WORK/data" "$WORK/run"
chmod 700 "$WORK/run"
LUTLOADER_DATA_DIR="$WORK/data" XDG_RUNTIME_DIR="$WORK/run" XDG_SESSION_ID="tray-shot-$$" \
  QT_QPA_PLATFORM=xcb "$AGENT" --platform sim --run-seconds 120 >"$WORK/agent.log" 2>&1 &
PIDS+=($!)

# The icon is docked once the agent shows it; trayer then grows to hold it.
ICON=""
for _ in $(seq 300); do
  ICON="$(xdotool search --classname lutloader 2>/dev/null | head -n1 || true)"
  [ -n "$ICON" ] && grep -q "refreshContextMenu() end" "$WORK/data/logb.qlog" 2>/dev/null && break
  sleep 0.1
done
[ -n "$ICON" ] || { echo "the tray icon did not appear" >&2; tail -20 "$WORK/agent.log" >&2; exit 1; }
sleep 1

# A single left click opens the menu after the double-click interval.
xdotool mousemove --window "$ICON" 8 8 click 1
sleep 2
mkdir -p "$(dirname "$OUTPUT")"
import -window root "$OUTPUT"
echo "wrote $OUTPUT"
