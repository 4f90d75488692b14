#!/usr/bin/env bash
# Installs the Debian packages Quelmar needs to build, test and run. Safe to run again: it
# installs only what is missing. Runs apt-get as root, or through sudo when available.
#
#   scripts/install-deps.sh [--arm64]
#
# --arm64 adds what the arm64 cross build (preset arm64) and running it need: the cross
# compiler, the arm64 libraries (after adding the arm64 architecture to dpkg) and qemu-user.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev
  freeglut3-dev libgl-dev libx11-dev libpng-dev
  libassimp-dev libstb-dev  # quelmar-import: model formats, texture decoding
  libseccomp-dev  # quelmar-import: the model reader's child may not write files or use the network
  libjemalloc-dev  # the programs: memory in 2 MB pages, for large scenes and models
  xvfb xdotool x11-apps x11-utils imagemagick
  libgl1-mesa-dri libglx-mesa0  # software OpenGL, for the viewer under Xvfb
  libegl-dev libegl-mesa0  # quelmar-gl-bench: OpenGL without a window, for scripts/compare-gl.sh
  clang libclang-rt-14-dev
)
if [ "${1:-}" = --arm64 ]; then
  packages+=(crossbuild-essential-arm64 qemu-user-static libpng-dev:arm64 zlib1g-dev:arm64 libgtest-dev:arm64)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
# Other installs may be running on the same machine: wait for the package lock rather than fail.
apt=("${as_root[@]}" apt-get -o DPkg::Lock::Timeout=900)
if [[ " ${missing[*]}" == *:arm64* ]] && ! dpkg --print-foreign-architectures | grep -qx arm64; then
  "${as_root[@]}" dpkg --add-architecture arm64
fi
echo "Installing: ${missing[*]}"
"${apt[@]}" update -q
DEBIAN_FRONTEND=noninteractive "${apt[@]}" install -y -q --no-install-recommends "${missing[@]}"
