#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need, when any is missing.
# Quick when everything is there: it only asks dpkg.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  zlib1g-dev libpng-dev libjpeg-dev libtiff-dev libexpat1-dev
  libfreetype-dev libfontconfig-dev libharfbuzz-dev libfribidi-dev
  fonts-liberation fonts-dejavu-core
  # Small faces for labels in other scripts, which the text tests draw with: Devanagari and
  # CJK (Arabic, Hebrew and the symbols come from DejaVu).
  fonts-lohit-deva fonts-wqy-microhei
  googletest libgtest-dev libbenchmark-dev
  # The desktop backend, and the private X server, input and screenshots its tests drive it with.
  libgtk-3-dev xvfb xdotool x11-apps
  # The desktop benchmark injects its clicks into the X server itself.
  libxtst-dev
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo=""
  [[ $(id -u) -eq 0 ]] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
