#!/usr/bin/env bash
# Installs the Debian packages the player, the tools and the tests need.
# Idempotent: only missing packages are installed, and the package lists are
# refreshed only when something is missing.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  libsdl2-dev
  libfreetype-dev libfontconfig-dev fonts-ipafont-gothic fonts-ipafont-mincho
  libfluidsynth-dev timgm6mb-soundfont libasound2-dev
  libavformat-dev libavcodec-dev libavutil-dev libswresample-dev libswscale-dev ffmpeg
  libcurl4-openssl-dev zlib1g-dev libdeflate-dev libpng-dev libjpeg62-turbo-dev
  libgtest-dev libgmock-dev libbenchmark-dev libpixman-1-dev liblua5.4-dev
  xvfb xauth x11-utils clang-format
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]} == 0)); then
  echo "install-deps: all ${#packages[@]} packages present"
  exit 0
fi

sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
