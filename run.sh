#!/usr/bin/env bash
# Installs what is missing, builds the client and starts it under Wine. Without a display it runs in
# a private Xvfb, saves a screenshot to build/windows/screenshot.png after a few seconds and exits.
#   ./run.sh gallery [skin.skn]   the same for the skin gallery (screenshot build/windows/gallery.png)
set -euo pipefail
cd "$(dirname "$0")"
./tools/install-deps.sh
cmake --preset windows >/dev/null
target=QuandrelDemo exe_dir=app shot=screenshot.png args=()
if [ "${1:-}" = gallery ]; then
  target=SkinGallery exe_dir=gallery shot=gallery.png
  shift
  args=("$@")
fi
cmake --build --preset windows -j"$(nproc)" --target "$target"
export QD_BUILD="$PWD/build/windows"
exe="$PWD/build/windows/$exe_dir/$target.exe"
if [ -n "${DISPLAY:-}" ]; then
  source tools/wine-env.sh
  exec wine "$exe" "${args[@]}"
fi
export QD_OWN_XVFB=1
source tools/wine-env.sh
wine "$exe" "${args[@]}" &
pid=$!
sleep "${QD_SHOT_DELAY:-12}"
import -window root "$QD_BUILD/$shot"
echo "Screenshot: $QD_BUILD/$shot"
wineserver -k 2>/dev/null || true
wait $pid 2>/dev/null || true
