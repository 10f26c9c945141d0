#!/usr/bin/env bash
# Installs, on Debian 12, whatever the build and the tests need and is still missing.
set -euo pipefail
packages=(
  cmake ninja-build g++ ccache
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64
  clang libclang-rt-14-dev
  googletest libgtest-dev libbenchmark-dev nlohmann-json3-dev
  wine64 xvfb xauth xdotool fonts-liberation fonts-noto-cjk
  mesa-vulkan-drivers libvulkan1 imagemagick
  python3 file openssl
)
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if ((${#missing[@]} == 0)); then
  exit 0
fi
echo "deps: installing ${missing[*]}"
sudo=()
if [[ $(id -u) -ne 0 ]]; then sudo=(sudo); fi
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
