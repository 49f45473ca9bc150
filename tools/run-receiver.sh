#!/usr/bin/env bash
# Installs what is needed, builds, and starts the receiver.
# On the first run only (no settings file beside the executable yet) it
# writes one: port 2525, storage folder ~/LarkspurMail (created), no pop-up,
# no sound. After that the program's own settings file is left alone.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
tools/build.sh

settings=build/bin/Larkspur.ini
if [ ! -e "$settings" ]; then
  mail="$HOME/LarkspurMail"
  mkdir -p "$mail"
  printf '[SMTP]\r\nPORT=2525\r\nFOLDER=%s\r\nWAVFILE=\r\nDIALOG=0\r\nSOUND=0\r\n' "$mail" > "$settings"
  echo "Wrote $settings: port 2525, storage folder $mail"
fi

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: running without a window (one line per event on this terminal; Ctrl+C ends it)."
  exec build/bin/Larkspur --headless
fi
exec build/bin/Larkspur
