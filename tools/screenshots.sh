#!/usr/bin/env bash
# Takes screenshots of the built programs under a virtual X display with a
# window manager (title bars): the control window, an arrival pop-up, the
# viewer widened to show senders and subjects of a few rows, the first one
# (a classic Japanese message) opened in its readable form, the WAV file
# picker and the exit confirmation.
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
from email.header import Header
from email.mime.multipart import MIMEMultipart
from email.mime.text import MIMEText
from email.utils import formataddr
port = int(sys.argv[1])

# A classic Japanese message: ISO-2022-JP body, encoded subject and name.
classic = MIMEText("ご注文の品を本日発送しました。\nお届けまで今しばらくお待ちください。\n\n田中商店 田中一郎\n",
                   "plain", "iso-2022-jp")
classic["From"] = formataddr((str(Header("田中一郎", "iso-2022-jp")), "tanaka@shop.example"))
classic["To"] = "me@localhost"
classic["Subject"] = Header("ご注文ありがとうございます", "iso-2022-jp")
# A modern one: UTF-8, base64, plain text beside HTML.
modern = MIMEMultipart("alternative")
modern["From"] = "news@letters.example"
modern["Subject"] = Header("今週のお知らせ", "utf-8")
modern.attach(MIMEText("新しい記事を三本公開しました。\n", "plain", "utf-8"))
modern.attach(MIMEText("<p>新しい記事を<b>三本</b>公開しました。</p>", "html", "utf-8"))
plain = MIMEText("The disk /srv is 91% full.\n", "plain", "us-ascii")
plain["From"] = "alerts@monitor.example"
plain["Subject"] = "Disk usage warning"
for sender, message in [("tanaka@shop.example", classic), ("news@letters.example", modern),
                        ("alerts@monitor.example", plain)]:
    with smtplib.SMTP("127.0.0.1", port) as client:
        client.sendmail(sender, ["me@localhost"], message.as_bytes())
PY
shoot "letters.example" arrival-popup

# The viewer as a user left it last time: wider and taller than it first
# opens, so that the sender and subject columns show.
printf '[Larkglass]\r\nWIDTH=820\r\nHEIGHT=600\r\nCOLUMNS=153,133,160,190\r\n' > "$work/Larkglass.ini"
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
