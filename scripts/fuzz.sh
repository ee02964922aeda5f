#!/usr/bin/env bash
# Runs every libFuzzer program (or the named ones) for SECONDS each, seeded from
# tests/fuzz/corpus/<target>/, one after the other. Builds them first in build-fuzz/
# (clang, -DLUTLOADER_FUZZ=ON). Fails when any program reports a finding: the input that
# caused it is left as build-fuzz/fuzz-work/<target>/crash-* (or leak-*, timeout-*, oom-*).
# What each run learned stays in build-fuzz/fuzz-work/<target>/corpus for the next run.
#
# usage: scripts/fuzz.sh [SECONDS] [TARGET ...]      (default 60 seconds, every target)
# environment: FUZZ_BUILD_DIR (build-fuzz), FUZZ_JOBS (2, build jobs), FUZZ_NO_BUILD=1 (run
# the programs as they are, e.g. while another build runs in the same tree)
set -uo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${1:-60}"
shift || true
build="${FUZZ_BUILD_DIR:-$here/build-fuzz}"
jobs="${FUZZ_JOBS:-2}"
corpora="$here/tests/fuzz/corpus"

if [ "$#" -gt 0 ]; then
  targets=("$@")
else
  mapfile -t targets < <(find "$corpora" -mindepth 1 -maxdepth 1 -type d -printf '%f\n' | sort)
fi

if [ ! -f "$build/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DLUTLOADER_FUZZ=ON -DLUTLOADER_TESTS=OFF -DLUTLOADER_BENCH=OFF || exit 1
fi
programs=()
for t in "${targets[@]}"; do programs+=("fuzz_$t"); done
if [ -z "${FUZZ_NO_BUILD:-}" ]; then
  cmake --build "$build" --target "${programs[@]}" -j"$jobs" || exit 1
fi

failed=()
summary=()
for t in "${targets[@]}"; do
  program="$(find "$build" -type f -name "fuzz_$t" -perm -u+x | head -n 1)"
  if [ -z "$program" ]; then
    echo "fuzz: no program fuzz_$t in $build" >&2
    failed+=("$t")
    continue
  fi
  work="$build/fuzz-work/$t"
  mkdir -p "$work/corpus"
  # The code under test writes databases and settings files; in memory, their syncs cost nothing.
  data="$(mktemp -d /dev/shm/lutloader-fuzz-XXXXXX 2>/dev/null || mktemp -d)"
  mkdir -m 0700 "$data/run"
  echo "fuzz: $t for $seconds s"
  env LUTLOADER_PLATFORM=sim QT_QPA_PLATFORM=offscreen LUTLOADER_DATA_DIR="$data" \
    XDG_RUNTIME_DIR="$data/run" ASAN_OPTIONS=abort_on_error=0 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$program" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2560 -print_final_stats=1 \
    -artifact_prefix="$work/" "$work/corpus" "$corpora/$t" >"$work/log.txt" 2>&1
  status=$?
  rm -rf "$data"
  runs="$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$work/log.txt" | grep -o '[0-9]*$' | tail -n 1)"
  last="$(grep -E '^#[0-9]+' "$work/log.txt" | tail -n 1)"
  cov="$(grep -o 'cov: [0-9]*' <<<"$last" | grep -o '[0-9]*')"
  ft="$(grep -o 'ft: [0-9]*' <<<"$last" | grep -o '[0-9]*')"
  corp="$(grep -o 'corp: [0-9]*' <<<"$last" | grep -o '[0-9]*')"
  line="$(printf '%-18s runs %-10s cov %-6s ft %-6s corpus %-6s' "$t" "${runs:-?}" "${cov:-?}" "${ft:-?}" "${corp:-?}")"
  if [ "$status" -ne 0 ]; then
    failed+=("$t")
    line="$line FINDING (see $work/log.txt)"
    grep -E 'ERROR: |SUMMARY: |runtime error|Test unit written' "$work/log.txt" | head -n 5
  fi
  summary+=("$line")
done

printf '%s\n' "${summary[@]}"
if [ "${#failed[@]}" -gt 0 ]; then
  echo "fuzz: findings in ${failed[*]}" >&2
  exit 1
fi
echo "fuzz: ${#targets[@]} targets ran ${seconds} s each without a finding"
