#!/usr/bin/env bash
# Runs a Windows program under Wine with the project's prefix and display (CMAKE_CROSSCOMPILING_EMULATOR).
# Exits with the program's own exit code.
set -u
if [ -z "${WINEPREFIX:-}" ] || [ -z "${DISPLAY:-}" ]; then
  # shellcheck source=tools/wine-env.sh
  source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
fi
exec wine "$@"
