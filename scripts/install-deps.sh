#!/usr/bin/env bash
# Installs, as root on Debian 12, every package the build, the tests and the benchmarks need:
# the desktop tests need fonts (text extents) and an icon theme (stock arrows), and one locale
# with a decimal comma shows that numbers are read and written the same in every locale.
# Quick when everything is already there.
set -euo pipefail
packages=(
  build-essential cmake g++ clang libclang-rt-14-dev clang-format-14
  libgtest-dev libgmock-dev libbenchmark-dev
  libcgal-dev libgmp-dev libmpfr-dev
  libwxgtk3.2-dev freeglut3-dev libglu1-mesa-dev mesa-utils
  xvfb xauth xdotool x11-utils imagemagick
  libfftw3-dev python3 python3-ezdxf
  locales fonts-dejavu-core adwaita-icon-theme
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

# A locale with a decimal comma for the locale tests.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  echo "Generating the locale de_DE.UTF-8"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi
  $SUDO localedef -i de_DE -c -f UTF-8 de_DE.UTF-8
fi
