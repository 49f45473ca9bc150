#!/usr/bin/env bash
# Builds the Debian package build/larkspur_<version>_amd64.deb: both
# programs, menu entries, icons, AppStream data and the user unit
# larkspur.service. Its dependencies are found from the binaries.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/packages.sh
tools/install-deps.sh
mapfile -t missing < <(missing_packages dpkg-dev)
if [ ${#missing[@]} -gt 0 ]; then
  install_packages "${missing[@]}"
fi
tools/build.sh
rm -f build/larkspur_*_amd64.deb
(cd build && cpack -G DEB >/dev/null)
ls build/larkspur_*_amd64.deb
