#!/usr/bin/env bash
# Installs everything the build, the data tools and the tests need on Debian 12.
set -euo pipefail
packages=(
  build-essential cmake pkg-config git clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libsdl2-dev libglew-dev libgl1-mesa-dri libglu1-mesa-dev libglm-dev
  zlib1g-dev libfreetype-dev libftgl-dev libtinyxml-dev nlohmann-json3-dev
  libtinygltf-dev libstb-dev libfmt-dev libmpg123-dev libvorbis-dev libgtk-3-dev
  xvfb xfonts-base xdotool x11-utils imagemagick ffmpeg lame vorbis-tools python3 python3-mido
  python3-numpy console-setup-linux libjpeg-turbo-progs fonts-dseg
  fonts-dejavu-core fonts-dejavu-extra fonts-liberation fontconfig
  chromium
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
