#!/usr/bin/env bash
# Installs what is missing, builds everything and starts Tapwright.exe
# (under Wine; on a virtual display when there is none).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh
jobs=${TW_JOBS:-$(nproc)}
for preset in win64 win32; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done
exe=build/win64/app/Tapwright.exe
service=build/win32/service/TapwrightService.exe
# Tapwright.exe is built (version resource, manifest, command line, single instance) but its
# window and message loop come with the program's start-up step; until then there is no
# window to show, so the program is not started.
if [[ ${TW_RUN_ANYWAY:-} != 1 ]]; then
  echo "run: built $exe and $service."
  echo "run: the main window comes with the program's start-up step; nothing to show yet."
  exit 0
fi
export WINEPREFIX=${WINEPREFIX:-$HOME/.tapwright-wine}
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG=${WINEDEBUG:--all}
if [[ -z ${DISPLAY:-} ]]; then
  n=77
  while [[ -e /tmp/.X$n-lock ]]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  export DISPLAY=:$n
  sleep 1
  echo "run: no display; Tapwright runs on the virtual display $DISPLAY"
fi
if [[ ! -f $WINEPREFIX/system.reg ]]; then
  /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
  /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Segoe UI' /d 'Liberation Sans' /f >/dev/null 2>&1
fi
exec /usr/lib/wine/wine64 "$exe" "$@"
