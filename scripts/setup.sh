#!/usr/bin/env bash
# Installs, non-interactively and only when missing, every Debian package the
# project needs to build, test, benchmark and run.
set -euo pipefail

PACKAGES=(
  build-essential g++ cmake ninja-build pkg-config
  libode-dev libboost-serialization-dev
  libglfw3-dev libimgui-dev libstb-dev libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool fonts-dejavu-core gnuplot-nox clang libclang-rt-14-dev
  parallel ffmpeg python3-biopython graphviz libopenmpi-dev openmpi-bin
)

# With a display, a gnuplot that draws on the screen, for the live chart the
# window keeps up to date (gnuplot-nox has no on-screen terminal).
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  PACKAGES+=(gnuplot-x11)
fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
