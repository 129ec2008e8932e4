#!/usr/bin/env bash
# Runs every libFuzzer target in build/fuzz for SECONDS (default 30) on its seed corpus in tests/fuzz/.
set -euo pipefail
cd "$(dirname "$0")/.."
secs="${1:-30}"
status=0
shopt -s nullglob
for fuzzer in build/fuzz/fuzz_*; do
  [ -x "$fuzzer" ] || continue
  name="$(basename "$fuzzer")"
  corpus="tests/fuzz/${name#fuzz_}"
  work="build/fuzz/corpus/${name#fuzz_}"
  mkdir -p "$work" tests/fuzz/findings
  echo "-- $name for ${secs}s"
  if ! "$fuzzer" -max_total_time="$secs" -print_final_stats=0 -artifact_prefix=tests/fuzz/findings/ \
        "$work" "$corpus" >"build/fuzz/$name.log" 2>&1; then
    tail -40 "build/fuzz/$name.log"; status=1
  fi
done
exit $status
