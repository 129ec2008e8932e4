#!/usr/bin/env bash
# Source this file to get a ready Wine prefix and an X display for running the Windows programs.
#   QD_BUILD  build folder that holds the prefix (default: build/windows beside this script)
# Exports WINEPREFIX, WINEDEBUG and DISPLAY. Creates the prefix once (desktop, CJK font mapping) and
# starts one Xvfb per build folder when no display is given; later calls reuse both.

_qd_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
QD_BUILD="${QD_BUILD:-$_qd_root/build/windows}"
mkdir -p "$QD_BUILD"
export WINEPREFIX="${WINEPREFIX:-$QD_BUILD/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEARCH=win64

_qd_start_xvfb() {
  local pidfile="$QD_BUILD/xvfb.display"
  if [ -f "$pidfile" ]; then
    local n pid
    read -r n pid < "$pidfile"
    if kill -0 "$pid" 2>/dev/null; then export DISPLAY=":$n"; return; fi
  fi
  local n=70
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  local pid=$!
  for _ in $(seq 1 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  echo "$n $pid" > "$pidfile"
  export DISPLAY=":$n"
}

if [ -z "${DISPLAY:-}" ] || [ -n "${QD_OWN_XVFB:-}" ]; then
  _qd_start_xvfb
fi

# Bump when the settings below change: existing prefixes then get them applied again.
_qd_prefix_version=2
if [ "$(cat "$WINEPREFIX/.qd-ready" 2>/dev/null)" != "$_qd_prefix_version" ]; then
  (
    exec 9>"$QD_BUILD/.prefix.lock"
    flock 9
    if [ "$(cat "$WINEPREFIX/.qd-ready" 2>/dev/null)" != "$_qd_prefix_version" ]; then
      echo "Preparing Wine prefix in $WINEPREFIX ..." >&2
      [ -f "$WINEPREFIX/system.reg" ] || WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1
      # One shared virtual desktop for every process, and the Chinese UI face mapped to an installed CJK font.
      reg="$QD_BUILD/prefix-settings.reg"
      {
        printf 'Windows Registry Editor Version 5.00\r\n\r\n'
        printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]\r\n"Desktop"="Default"\r\n\r\n'
        printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\r\n"Default"="1280x1024"\r\n\r\n'
        printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
        printf '"宋体"="WenQuanYi Zen Hei"\r\n"SimSun"="WenQuanYi Zen Hei"\r\n"NSimSun"="WenQuanYi Zen Hei"\r\n\r\n'
        # No add-on download prompts: this machine has no network and no Gecko.
        printf '[HKEY_CURRENT_USER\\Software\\Wine\\MSHTML]\r\n"GeckoUrl"=""\r\n\r\n'
        printf '[HKEY_CURRENT_USER\\Software\\Wine\\Debug]\r\n"ShowCrashDialog"=dword:00000000\r\n\r\n'
        printf '[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\r\n"ShowCrashDialog"=dword:00000000\r\n\r\n'
        # The platform's dialog fonts have no CJK glyphs: link them to the CJK font, as a Chinese system does.
        printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink]\r\n'
        for face in Tahoma "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif" "Segoe UI"; do
          printf '"%s"=hex(7):%s\r\n' "$face" "77,00,71,00,79,00,2d,00,7a,00,65,00,6e,00,68,00,65,00,69,00,2e,00,74,00,74,00,63,00,2c,00,57,00,65,00,6e,00,51,00,75,00,61,00,6e,00,59,00,69,00,20,00,5a,00,65,00,6e,00,20,00,48,00,65,00,69,00,00,00,00,00"
        done
      } | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } > "$reg"
      wine regedit /S "$(winepath -w "$reg" 2>/dev/null)" >/dev/null 2>&1
      wineserver -w
      echo "$_qd_prefix_version" > "$WINEPREFIX/.qd-ready"
    fi
  )
fi
