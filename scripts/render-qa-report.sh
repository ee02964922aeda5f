#!/usr/bin/env bash
# Renders an HTML QA report (lutloaderctl history show ID --html FILE) to a PNG with headless
# Chromium, the way a reviewer's browser prints it.
#   scripts/render-qa-report.sh REPORT.html OUT.png [WIDTHxHEIGHT]
# Exits 77 (skipped) when Chromium is not installed: scripts/install-deps.sh --with-chromium.
set -euo pipefail

if [ $# -lt 2 ]; then
  echo "usage: $0 REPORT.html OUT.png [WIDTHxHEIGHT]" >&2
  exit 2
fi
html=$(realpath "$1")
png=$(realpath -m "$2")
size=${3:-1000x2400}

browser=""
for candidate in chromium chromium-browser; do
  if command -v "$candidate" >/dev/null 2>&1; then
    browser=$candidate
    break
  fi
done
if [ -z "$browser" ]; then
  echo "render-qa-report: chromium not installed, skipped" >&2
  exit 77
fi

# A profile of its own, so a running browser of the user is neither used nor disturbed.
profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT
rm -f "$png"
timeout 90 "$browser" --headless --no-sandbox --disable-gpu --hide-scrollbars --no-first-run \
  --user-data-dir="$profile" --window-size="${size/x/,}" --screenshot="$png" "file://$html" \
  >"$profile/out.log" 2>&1 || true
if [ ! -s "$png" ]; then
  echo "render-qa-report: chromium wrote no image" >&2
  cat "$profile/out.log" >&2
  exit 1
fi
echo "$png"
