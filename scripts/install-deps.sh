#!/usr/bin/env bash
# Installs, as root on Debian 12, every package the build, the tests and the benchmarks need.
# Quick when everything is already there.
set -euo pipefail
packages=(
  build-essential cmake g++ clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libcgal-dev libgmp-dev libmpfr-dev
  libwxgtk3.2-dev freeglut3-dev libglu1-mesa-dev mesa-utils
  xvfb xauth xdotool x11-utils imagemagick
  libfftw3-dev python3 python3-ezdxf
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
