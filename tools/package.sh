#!/usr/bin/env bash
# Makes the release package dist/Tapwright-2.0.1-win64.zip: Tapwright.exe (x86_64) and
# TapwrightService.exe (i686), both Release builds and stripped, and the user readme.
#   package.sh            builds the two release trees (win64-release, win32-release) first
#   TW_JOBS=n package.sh  parallel build jobs (default: the number of processors)
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${TW_JOBS:-$(nproc)}
version=$(sed -n 's/^project(Tapwright VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name=Tapwright-$version-win64

for preset in win64-release win32-release; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs" 2>&1 | { grep -vE '^\[[0-9]+/[0-9]+\] ' || true; }
done

stage=build/package/$name
rm -rf "$stage"
mkdir -p "$stage" dist
cp build/win64-release/app/Tapwright.exe "$stage/"
cp build/win32-release/service/TapwrightService.exe "$stage/"
x86_64-w64-mingw32-strip --strip-all "$stage/Tapwright.exe"
i686-w64-mingw32-strip --strip-all "$stage/TapwrightService.exe"

python3 - "$stage" "dist/$name.zip" tools/package/README.txt <<'PY'
import os
import sys
import zipfile

stage, archive, readme = sys.argv[1:]
tmp = archive + ".tmp"
with zipfile.ZipFile(tmp, "w", compression=zipfile.ZIP_DEFLATED, compresslevel=9) as z:
    for exe in ("Tapwright.exe", "TapwrightService.exe"):
        z.write(os.path.join(stage, exe), exe)
    # Windows line ends, so that Notepad of any age shows the lines.
    text = open(readme, encoding="utf-8").read().replace("\r\n", "\n").replace("\n", "\r\n")
    z.writestr(zipfile.ZipInfo("README.txt", date_time=zipfile.ZipInfo.from_file(readme).date_time),
               text.encode("utf-8"), compress_type=zipfile.ZIP_DEFLATED)
os.replace(tmp, archive)
PY
ls -l "dist/$name.zip" "$stage"/*.exe | awk '{print "package: " $5 " bytes  " $NF}'
