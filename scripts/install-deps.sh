#!/usr/bin/env bash
# Installs what building, running and testing Tandrix needs on Debian 12, only what is missing.
set -euo pipefail
packages=(cmake ninja-build g++ qt6-base-dev qt6-translations-l10n zlib1g-dev libgtest-dev
          xvfb xauth xdotool x11-utils exfat-fuse exfatprogs
          python3-fuse e2fsprogs trash-cli libglib2.0-bin)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
