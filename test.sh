#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: portable code natively (with
# AddressSanitizer/UBSan), the Windows programs under Wine, and a short run of each fuzzer.
set -euo pipefail
cd "$(dirname "$0")"
./tools/install-deps.sh

jobs=$(nproc)
status=0

echo "== native build and tests"
cmake --preset native >/dev/null
cmake --build --preset native -j"$jobs"
ctest --preset native -j"$jobs" || status=1

echo "== Windows build and tests (under Wine)"
cmake --preset windows >/dev/null
cmake --build --preset windows -j"$jobs"
export QD_BUILD="$PWD/build/windows" QD_OWN_XVFB=1
# shellcheck source=tools/wine-env.sh
source tools/wine-env.sh
ctest --preset windows -j1 || status=1

echo "== fuzzers (short runs)"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$jobs"
./tools/fuzz.sh 30 || status=1

wineserver -k 2>/dev/null || true
exit $status
