#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the editor need (only what is missing).
set -euo pipefail
packages=(cmake ninja-build g++ clang clang-format libclang-rt-14-dev qt6-base-dev qt6-base-dev-tools libgl-dev googletest
          libgtest-dev libbenchmark-dev libsqlite3-dev fonts-liberation2 xvfb xauth python3-ezdxf
          qt6-serialport-dev qt6-svg-dev ghostscript qt6-image-formats-plugins)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
