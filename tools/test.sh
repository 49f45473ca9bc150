#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
tools/install-test-clients.sh
tools/build.sh
cd build
ctest --output-on-failure -j2
