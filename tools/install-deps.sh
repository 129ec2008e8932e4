#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the client need, when any is missing.
set -euo pipefail
pkgs=(cmake make g++ clang libclang-rt-14-dev googletest
      g++-mingw-w64-x86-64-posix mingw-w64-tools
      wine64 wine xvfb x11-utils imagemagick xdotool fonts-dejavu-core fonts-wqy-zenhei python3
      nsis)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}" >&2
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
