#!/usr/bin/env bash
# Installs what is missing, builds the three presets, runs every test, makes and checks the
# release package and runs the end-to-end tests against its Tapwright.exe.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh
jobs=${TW_JOBS:-$(nproc)}

status=0
for preset in native win64 win32; do
  echo "== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  # Progress lines are dropped; warnings and errors stay.
  cmake --build --preset "$preset" -j "$jobs" 2>&1 | { grep -vE '^\[[0-9]+/[0-9]+\] ' || true; }
done
for preset in native win64 win32; do
  echo "== $preset: tests"
  log=build/$preset/ctest.log
  if ! ctest --preset "$preset" -j "$jobs" 2>&1 | tee "$log" >/dev/null; then
    status=1
  fi
  # Failures with their output, then CTest's summary lines.
  sed -n '/^The following tests FAILED/,$p' "$log"
  grep -E 'tests passed|tests failed|Total Test time' "$log" || true
  grep -B2 -A40 -E '\*\*\*(Failed|Exception|Timeout)' "$log" | head -300 || true
done
echo "== package"
if ! TW_JOBS=$jobs tools/package.sh || ! tools/check-package dist/Tapwright-2.0.1-win64.zip; then
  status=1
fi
# The shipped file is a different build (Release, unused sections dropped, stripped): the
# end-to-end suite runs once more against it.
packaged=$PWD/build/package/Tapwright-2.0.1-win64/Tapwright.exe
if [[ -f $packaged ]]; then
  echo "== win64: end-to-end tests against the packaged Tapwright.exe"
  log=build/win64/ctest-package.log
  if ! TW_E2E_TAPWRIGHT=$packaged ctest --preset win64 -R '^app_e2e_' 2>&1 | tee "$log" >/dev/null; then
    status=1
  fi
  sed -n '/^The following tests FAILED/,$p' "$log"
  grep -E 'tests passed|tests failed' "$log" || true
  grep -B2 -A40 -E '\*\*\*(Failed|Exception|Timeout)' "$log" | head -300 || true
fi
exit $status
