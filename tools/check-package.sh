#!/usr/bin/env bash
# Checks what the built Debian package installs, file by file, and what it
# depends on; that it holds no module for the programs to load at run time;
# and that no installed file names the folder it was built in.
set -euo pipefail
cd "$(dirname "$0")/.."
deb=$(ls build/larkspur_*_amd64.deb)

expected='/usr/bin/Larkglass
/usr/bin/Larkspur
/usr/lib/systemd/user/larkspur.service
/usr/share/applications/org.larkspur.Larkglass.desktop
/usr/share/applications/org.larkspur.Larkspur.desktop
/usr/share/icons/hicolor/scalable/apps/org.larkspur.Larkglass.svg
/usr/share/icons/hicolor/scalable/apps/org.larkspur.Larkspur.svg
/usr/share/metainfo/org.larkspur.Larkglass.metainfo.xml
/usr/share/metainfo/org.larkspur.Larkspur.metainfo.xml'
actual=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print substr($6, 2)}' | sort)
if grep -E '\.so(\.|$)' <<<"$actual" >&2; then
  echo "$deb holds a module: the programs load no code of their own at run time" >&2
  exit 1
fi
if [ "$actual" != "$expected" ]; then
  echo "$deb holds other files than expected:" >&2
  diff <(echo "$expected") <(echo "$actual") >&2 || true
  exit 1
fi

# A path compiled into a program is UTF-16 as often as UTF-8 (QStringLiteral).
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
if ! python3 - "$PWD" "$unpacked" <<'PYTHON'
import os
import sys

checkout, root = sys.argv[1], sys.argv[2]
needles = [checkout.encode(), checkout.encode("utf-16-le")]
named = False
for folder, _, names in os.walk(root):
    for name in names:
        path = os.path.join(folder, name)
        with open(path, "rb") as file:
            if any(needle in file.read() for needle in needles):
                print(path[len(root):], "names", checkout, file=sys.stderr)
                named = True
sys.exit(1 if named else 0)
PYTHON
then
  echo "$deb: installed files name the folder the package was built in" >&2
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
