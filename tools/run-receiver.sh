#!/usr/bin/env bash
# Installs what is needed, builds, and starts the receiver. On its first
# start the receiver writes its settings file build/bin/Larkspur.ini itself:
# port 2525, storage folder ~/LarkspurMail (created), no pop-up, no sound.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
tools/build.sh

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: running without a window (one line per event on this terminal; Ctrl+C ends it)."
  exec build/bin/Larkspur --headless
fi
exec build/bin/Larkspur
