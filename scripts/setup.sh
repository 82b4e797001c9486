#!/usr/bin/env bash
# Installs, non-interactively and only when missing, every Debian package the
# project needs to build, test, benchmark and run. A second run installs and
# removes nothing.
#
# gnuplot comes in variants that exclude each other (gnuplot-nox,
# gnuplot-x11, gnuplot-qt): any of them draws the charts into files. The
# live chart the window keeps up to date needs one that draws on the screen,
# so with a display gnuplot-x11 is installed once, in place of gnuplot-nox
# (the only package this script ever removes, and apt removes it). A variant
# already installed is kept from then on, display or not: gnuplot-x11 and
# gnuplot-qt do everything gnuplot-nox does.
set -euo pipefail

PACKAGES=(
  build-essential g++ cmake ninja-build pkg-config
  libode-dev libboost-serialization-dev
  libglfw3-dev libimgui-dev libstb-dev libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool fonts-dejavu-core clang libclang-rt-14-dev
  parallel ffmpeg python3-biopython graphviz libopenmpi-dev openmpi-bin
)

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

missing=()
for p in "${PACKAGES[@]}"; do
  installed "$p" || missing+=("$p")
done

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  if ! installed gnuplot-x11 && ! installed gnuplot-qt; then
    echo "setup: a display is here, so gnuplot-x11 (draws the live chart on the screen)" \
      "replaces gnuplot-nox, once"
    missing+=(gnuplot-x11)
  fi
elif ! installed gnuplot-nox && ! installed gnuplot-x11 && ! installed gnuplot-qt; then
  missing+=(gnuplot-nox)
fi

if [ "${#missing[@]}" -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
