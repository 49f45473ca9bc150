#!/usr/bin/env bash
# Checks what the built Debian package installs, file by file, and what it
# depends on.
set -euo pipefail
cd "$(dirname "$0")/.."
deb=$(ls build/larkspur_*_amd64.deb)

expected='/usr/bin/Larkglass
/usr/bin/Larkspur
/usr/lib/larkspur/larkspur_window.so
/usr/lib/systemd/user/larkspur.service
/usr/share/applications/org.larkspur.Larkglass.desktop
/usr/share/applications/org.larkspur.Larkspur.desktop
/usr/share/icons/hicolor/scalable/apps/org.larkspur.Larkglass.svg
/usr/share/icons/hicolor/scalable/apps/org.larkspur.Larkspur.svg
/usr/share/metainfo/org.larkspur.Larkglass.metainfo.xml
/usr/share/metainfo/org.larkspur.Larkspur.metainfo.xml'
actual=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print substr($6, 2)}' | sort)
if [ "$actual" != "$expected" ]; then
  echo "$deb holds other files than expected:" >&2
  diff <(echo "$expected") <(echo "$actual") >&2 || true
  exit 1
fi

depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6widgets6 libqt6network6 libqt6multimedia6 qt6-translations-l10n fonts-ipafont-gothic; do
  case "$depends" in
    *"$needed"*) ;;
    *) echo "$deb does not depend on $needed: $depends" >&2; exit 1 ;;
  esac
done
grep -q '^ExecStart=/usr/bin/Larkspur --headless$' <(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/lib/systemd/user/larkspur.service)
echo "$deb: files and dependencies as expected"
