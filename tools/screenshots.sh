#!/usr/bin/env bash
# Takes the README's pictures of the real program under Wine, as the X screen shows them:
#   docs/screen-light.png   light theme, a short list loaded
#   docs/screen-dark.png    dark theme
#   docs/screen-ko.png      Korean (--lang ko)
#   docs/screen-menu.png    the row menu of the click table open
#   docs/screen-select.png  the mouse button select's popup open
# Uses its own virtual display and Wine prefix (build/screenshots), so a running session is
# left alone.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh
jobs=${TW_JOBS:-$(nproc)}
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$jobs" --target Tapwright 2>&1 | { grep -vE '^\[[0-9]+/[0-9]+\] ' || true; }

wine_dir=/usr/lib/wine
work=$PWD/build/screenshots
mkdir -p "$work" docs
export WINEPREFIX=$work/prefix
export WINEDLLOVERRIDES="winedbg.exe=d;mscoree,mshtml="
export WINEDEBUG=-all

n=83
while [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
xvfb_pid=$!
program_pid=
cleanup() {
  [[ -n $program_pid ]] && kill "$program_pid" 2>/dev/null || true
  "$wine_dir/wineserver" -k 2>/dev/null || true
  kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 100); do
  [[ -e /tmp/.X11-unix/X$n ]] && break
  sleep 0.05
done
export DISPLAY=:$n

if [[ ! -f $WINEPREFIX/.tapwright-ready ]]; then
  echo "screenshots: making the Wine prefix $WINEPREFIX (once)"
  "$wine_dir/wine64" wineboot -i </dev/null >/dev/null 2>&1
  "$wine_dir/wine64" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Segoe UI' \
    /d 'Liberation Sans' /f </dev/null >/dev/null 2>&1
  # Without it the page is drawn but the X screen shows the window black (see tools/run.sh).
  "$wine_dir/wine64" reg add 'HKCU\Software\Wine\Direct3D' /v renderer /d vulkan /f \
    </dev/null >/dev/null 2>&1
  touch "$WINEPREFIX/.tapwright-ready"
fi

# The program from a folder of its own, with a short list beside it.
folder=$work/program
rm -rf "$folder"
mkdir -p "$folder"
cp build/win64/app/Tapwright.exe "$folder/"

theme() {
  "$wine_dir/wine64" reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Themes\Personalize' \
    /v AppsUseLightTheme /t REG_DWORD /d "$1" /f </dev/null >/dev/null 2>&1
}

# Polls `$@` until it succeeds or `seconds` pass.
wait_for() {
  local seconds=$1
  shift
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    if ((SECONDS >= deadline)); then return 1; fi
    sleep 0.3
  done
}

window=
find_window() {
  window=$(xdotool search --name "$1" 2>/dev/null | head -n 1)
  [[ -n $window ]]
}

# The window's area of the X screen into $1.
grab() {
  eval "$(xdotool getwindowgeometry --shell "$window")"
  import -silent -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$1"
}

# The page is on the screen once the status panel at the bottom is dark and its text light
# (the window is black before, and stays black without the Vulkan renderer).
page_shown() {
  grab "$work/probe.png"
  local panel text
  panel=$(convert "$work/probe.png" -crop 1x1+8+450 -format '%[fx:int(100*intensity)]' info:)
  text=$(convert "$work/probe.png" -crop 310x30+150+425 +repage -format '%[fx:int(100*maxima)]' info:)
  ((panel < 25 && text > 60))
}

start() {  # title, arguments...
  local title=$1
  shift
  printf '120x140,0,0,1000,1500\r\n400x300,1,1,500,500\r\n-20x640,2,0,2000,2500\r\n' >"$folder/Tapwright.lst"
  (cd "$folder" && exec "$wine_dir/wine64" Tapwright.exe "$@" </dev/null >/dev/null 2>&1) &
  program_pid=$!
  wait_for 60 find_window "$title" || { echo "screenshots: no window \"$title\"" >&2; exit 1; }
  wait_for 60 page_shown || { echo "screenshots: the page never reached the screen" >&2; exit 1; }
  sleep 0.5
}

stop() {
  kill "$program_pid" 2>/dev/null || true
  wait "$program_pid" 2>/dev/null || true
  program_pid=
  wait_for 20 bash -c "! xdotool search --name 'Tapwright 2.0.1|탭라이트 2.0.1' >/dev/null 2>&1" || true
}

save() {  # name
  grab "$work/$1.png"
  # Small files: no metadata, the best zlib level.
  convert "$work/$1.png" -strip -define png:compression-level=9 "docs/$1.png"
  echo "screenshots: docs/$1.png"
}

# A click at a point of the page (CSS pixels at 96 DPI).
click() {  # x y button
  xdotool mousemove --window "$window" "$1" "$2" click "$3"
}

theme 1
start "Tapwright 2.0.1"
save screen-light
# The row menu: a right click on the second row of the click table.
click 330 123 3
sleep 3
save screen-menu
xdotool key Escape
sleep 1
# The mouse button select's popup.
click 156 83 1
sleep 3
save screen-select
stop

theme 0
start "Tapwright 2.0.1"
save screen-dark
stop

theme 1
start "탭라이트 2.0.1" --lang ko
save screen-ko
stop
