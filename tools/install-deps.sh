#!/usr/bin/env bash
# Installs what building and testing need, from Debian's packages.
set -euo pipefail
. "$(dirname "$0")/packages.sh"

mapfile -t missing < <(missing_packages \
  cmake g++ ninja-build \
  qt6-base-dev qt6-multimedia-dev qt6-qpa-plugins qt6-translations-l10n libqt6svg6 \
  pkg-config libgmime-3.0-dev libicu-dev \
  fonts-ipafont-gothic \
  python3)
if [ ${#missing[@]} -gt 0 ]; then
  install_packages "${missing[@]}"
fi
