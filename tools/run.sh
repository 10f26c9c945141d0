#!/usr/bin/env bash
# Installs what is missing, builds Tapwright.exe and starts it under Wine; on a virtual
# display (Xvfb) when there is no display. Arguments go to the program (e.g. --lang ko).
#   WINEPREFIX   the Wine prefix to use (default ~/.tapwright-wine, made on first use)
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh
jobs=${TW_JOBS:-$(nproc)}
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$jobs" --target Tapwright 2>&1 | { grep -vE '^\[[0-9]+/[0-9]+\] ' || true; }
exe=build/win64/app/Tapwright.exe

wine_dir=/usr/lib/wine
export WINEPREFIX=${WINEPREFIX:-$HOME/.tapwright-wine}
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG=${WINEDEBUG:--all}

xvfb_pid=
if [[ -z ${DISPLAY:-} ]]; then
  n=77
  while [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
  xvfb_pid=$!
  trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
  for _ in $(seq 100); do
    [[ -e /tmp/.X11-unix/X$n ]] && break
    sleep 0.05
  done
  export DISPLAY=:$n
  echo "run: no display; Tapwright runs on the virtual display $DISPLAY"
  echo "run: look at it with: DISPLAY=$DISPLAY import -window root shot.png (package imagemagick)"
fi

# Marked when complete, so that an interrupted first run is redone.
if [[ ! -f $WINEPREFIX/.tapwright-ready ]]; then
  echo "run: making the Wine prefix $WINEPREFIX (once)"
  "$wine_dir/wine64" wineboot -i </dev/null >/dev/null 2>&1
  # The page asks for "Segoe UI"; map it to a family the host has.
  "$wine_dir/wine64" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Segoe UI' \
    /d 'Liberation Sans' /f </dev/null >/dev/null 2>&1
  touch "$WINEPREFIX/.tapwright-ready"
fi
# Wine's default (OpenGL) Direct3D presents into child windows invisibly on Xvfb and Xvnc:
# the window would stay black. Its Vulkan renderer (Mesa's software Vulkan) shows the page.
# Also done for prefixes made before this step existed.
if [[ ! -f $WINEPREFIX/.tapwright-vulkan ]]; then
  "$wine_dir/wine64" reg add 'HKCU\Software\Wine\Direct3D' /v renderer /d vulkan /f \
    </dev/null >/dev/null 2>&1
  touch "$WINEPREFIX/.tapwright-vulkan"
fi

echo "run: starting $exe $*  (F3 starts and stops a run, F4 records the pointer position)"
status=0
"$wine_dir/wine64" "$exe" "$@" || status=$?
echo "run: Tapwright ended with status $status"
exit $status
