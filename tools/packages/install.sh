#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need,
# when any is missing (as root, or through sudo). The one package list of the
# project: the README's commands and CI both use it.
set -euo pipefail

packages=(
  build-essential cmake pkg-config git
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libavcodec-dev libavutil-dev libswscale-dev libswresample-dev ffmpeg
  libasound2-dev libsystemd-dev dbus-daemon libzvbi-dev
  qt6-base-dev zlib1g-dev
  xvfb xdotool imagemagick desktop-file-utils trayer
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null; then
    echo "Missing packages: ${missing[*]}; run this script as root to install them." >&2
    exit 1
  fi
  as_root=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get -o DPkg::Lock::Timeout=300 update
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -y --no-install-recommends \
  -o DPkg::Lock::Timeout=300 install "${missing[@]}"
