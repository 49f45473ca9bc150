#!/usr/bin/env bash
# Installs what building and testing need, from Debian's packages.
set -euo pipefail

packages=(
  cmake g++ ninja-build
  qt6-base-dev qt6-multimedia-dev qt6-qpa-plugins
  fonts-ipafont-gothic
  python3
)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  as_root apt-get update -q
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
