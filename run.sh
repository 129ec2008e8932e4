#!/usr/bin/env bash
# Installs what is missing, builds the client and starts it under Wine. Without a display it runs in
# a private Xvfb, saves a screenshot to build/windows/screenshot.png after a few seconds and exits.
set -euo pipefail
cd "$(dirname "$0")"
./tools/install-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows -j"$(nproc)" --target QuandrelDemo
export QD_BUILD="$PWD/build/windows"
exe="$PWD/build/windows/app/QuandrelDemo.exe"
if [ -n "${DISPLAY:-}" ]; then
  source tools/wine-env.sh
  exec wine "$exe"
fi
export QD_OWN_XVFB=1
source tools/wine-env.sh
wine "$exe" &
pid=$!
sleep "${QD_SHOT_DELAY:-12}"
import -window root "$QD_BUILD/screenshot.png"
echo "Screenshot: $QD_BUILD/screenshot.png"
wineserver -k 2>/dev/null || true
wait $pid 2>/dev/null || true
