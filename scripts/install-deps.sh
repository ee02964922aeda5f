#!/usr/bin/env bash
# Installs every Debian package that the build, the tests and the demo run need.
# Idempotent: apt-get update runs only when something is missing.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config git ccache
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libqt6opengl6-dev
  qt6-svg-dev qt6-serialport-dev qt6-httpserver-dev qt6-websockets-dev
  qt6-tools-dev qt6-l10n-tools libgl-dev
  liblcms2-dev liblcms2-utils libhidapi-dev libx11-dev libxrandr-dev libxext-dev
  libgtest-dev libgmock-dev
  sqlite3 dbus dbus-x11 xvfb xserver-xorg-video-dummy xauth x11-xserver-utils
  clang libclang-rt-14-dev edid-decode libimage-exiftool-perl x11-utils
  libsqlite3-dev openssl
  g++-mingw-w64-x86-64-posix
  trayer xdotool x11-apps imagemagick
  colord debootstrap desktop-file-utils man-db dpkg-dev
  socat
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all ${#PACKAGES[@]} packages present"
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
