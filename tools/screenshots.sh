#!/usr/bin/env bash
# Takes screenshots of the built programs under a virtual X display with a
# window manager (title bars): the control window, an arrival pop-up, the
# viewer with a few rows, the WAV file picker and the exit confirmation.
# Writes docs/screenshots/*.png. Uses only 127.0.0.1.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

. tools/packages.sh
mapfile -t need < <(missing_packages xvfb openbox imagemagick x11-utils xdotool python3)
if [ ${#need[@]} -gt 0 ]; then
  install_packages "${need[@]}"
fi
[ -x build/bin/Larkspur ] && [ -x build/bin/Larkglass ] || tools/build.sh

work=$(mktemp -d)
display=:$((90 + RANDOM % 9))
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb "$display" -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display QT_QPA_PLATFORM=xcb
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break; sleep 0.1; done

# A five-digit port, shown whole in the port box.
port=$(python3 -c '
import socket
for p in range(25250, 65535):
    s = socket.socket()
    try:
        s.bind(("", p)); print(p); break
    except OSError:
        pass
    finally:
        s.close()
')
cp build/bin/Larkspur build/bin/Larkglass "$work/"
mkdir -p "$work/mail"
printf '[SMTP]\r\nPORT=%s\r\nFOLDER=%s\r\nWAVFILE=\r\nDIALOG=1\r\nSOUND=0\r\n' "$port" "$work/mail" > "$work/Larkspur.ini"

window_titled() { # title; prints the window's id once it is there
  local id=""
  for _ in $(seq 100); do
    id=$(xwininfo -root -tree | grep -F "\"$1\"" | awk '{print $1}' | head -n 1 || true)
    [ -n "$id" ] && break
    sleep 0.1
  done
  [ -n "$id" ] || { echo "no window titled $1" >&2; return 1; }
  echo "$id"
}

shoot() { # window title, output name; the window is raised and taken with its frame
  local id
  id=$(window_titled "$1")
  xdotool windowactivate --sync "$id" >/dev/null 2>&1 || xdotool windowraise "$id"
  sleep 0.5
  import -frame -window "$id" "$root/docs/screenshots/$2.png"
  echo "docs/screenshots/$2.png"
}

"$work/Larkspur" >/dev/null 2>&1 &
pids+=($!)
shoot "Larkspur Ver1.1" control-window

python3 - "$port" <<'PY'
import smtplib, sys
port = int(sys.argv[1])
notes = [("tanaka@shop.example", "ご注文ありがとうございます", "ご注文の品を本日発送しました。\r\nお届けまで今しばらくお待ちください。"),
         ("news@letters.example", "今週のお知らせ", "新しい記事を三本公開しました。"),
         ("alerts@monitor.example", "Disk usage warning", "The disk /srv is 91% full.")]
for sender, subject, body in notes:
    message = ("From: %s\r\nSubject: %s\r\n\r\n%s\r\n" % (sender, subject, body)).encode("utf-8")
    with smtplib.SMTP("127.0.0.1", port) as client:
        client.sendmail(sender, ["me@localhost"], message)
PY
shoot "monitor.example" arrival-popup

"$work/Larkglass" >/dev/null 2>&1 &
pids+=($!)
viewer_id=$(window_titled "Larkglass Ver1.0")
# Click the first data row so the message text shows too.
sleep 0.5
xdotool windowactivate --sync "$viewer_id" >/dev/null 2>&1 || true
xdotool mousemove --window "$viewer_id" 60 62 click 1 || true
shoot "Larkglass Ver1.0" viewer

# Qt's own dialogs in Japanese: the WAV file picker (its button), then the
# exit confirmation (the window manager's close key).
control_id=$(window_titled "Larkspur Ver1.1")
xdotool windowactivate --sync "$control_id" >/dev/null 2>&1 || true
xdotool mousemove --window "$control_id" 328 140 click 1
shoot "WAVファイルを選んでください" wav-file-picker
xdotool key Escape
sleep 0.5
xdotool windowactivate --sync "$control_id" >/dev/null 2>&1 || true
xdotool key alt+F4
shoot "終了確認" exit-confirmation
