#!/usr/bin/env bash
# Installs the Debian packages Quelmar needs to build, test and run. Safe to run again: it
# installs only what is missing. Runs apt-get as root, or through sudo when available.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev
  freeglut3-dev libgl-dev libx11-dev libpng-dev
  libassimp-dev libstb-dev  # quelmar-import: model formats, texture decoding
  xvfb xdotool x11-apps x11-utils imagemagick
  libgl1-mesa-dri libglx-mesa0  # software OpenGL, for the viewer under Xvfb
  clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
echo "Installing: ${missing[*]}"
"${as_root[@]}" apt-get update -q
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
