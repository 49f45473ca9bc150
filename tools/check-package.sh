#!/usr/bin/env bash
# Checks the built Debian package: what it installs, file by file, and what
# it depends on; that it holds no module for the programs to load at run
# time and that no installed file names the folder it was built in; lintian
# (any error or warning fails, and the hardening tags lintian only counts as
# information); the menu entries, the AppStream data and the sandbox of the
# user unit.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/packages.sh
mapfile -t missing < <(missing_packages lintian desktop-file-utils appstream systemd)
if [ ${#missing[@]} -gt 0 ]; then
  install_packages "${missing[@]}"
fi
deb=$(ls build/larkspur_*_amd64.deb)

expected='/usr/bin/Larkglass
/usr/bin/Larkspur
/usr/lib/systemd/user/larkspur.service
/usr/share/applications/org.larkspur.Larkglass.desktop
/usr/share/applications/org.larkspur.Larkspur.desktop
/usr/share/doc/larkspur/changelog.Debian.gz
/usr/share/doc/larkspur/copyright
/usr/share/icons/hicolor/scalable/apps/org.larkspur.Larkglass.svg
/usr/share/icons/hicolor/scalable/apps/org.larkspur.Larkspur.svg
/usr/share/lintian/overrides/larkspur
/usr/share/man/ja/man1/Larkglass.1.gz
/usr/share/man/ja/man1/Larkspur.1.gz
/usr/share/man/man1/Larkglass.1.gz
/usr/share/man/man1/Larkspur.1.gz
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
for needed in libqt6widgets6 libqt6network6 libqt6multimedia6 qt6-translations-l10n libqt6svg6 fonts-ipafont-gothic; do
  case "$depends" in
    *"$needed"*) ;;
    *) echo "$deb does not depend on $needed: $depends" >&2; exit 1 ;;
  esac
done

# Information and pedantic tags are shown too, for whoever wants to go
# further; they do not fail, as lintian itself does not hold them against a
# package.
tags=$(lintian --profile debian --display-info --pedantic --fail-on error,warning "$deb" 2>&1) || {
  echo "$tags" >&2
  echo "$deb: lintian reports errors or warnings" >&2
  exit 1
}
echo "$tags"
if grep -q 'hardening-' <<<"$tags"; then
  echo "$deb: a binary lacks hardening" >&2
  exit 1
fi

root=$unpacked
desktop-file-validate "$root"/usr/share/applications/*.desktop
# AppStream before 1.0 does not know <developer>, which replaced
# <developer_name>: there that one tag may be unknown. No network: the
# homepage and screenshot addresses are not checked.
appstream=(--strict --no-net --pedantic)
if dpkg --compare-versions "$(appstreamcli --version | awk '{print $NF}')" lt 1.0; then
  appstream+=(--override=unknown-tag=pedantic)
fi
report=$(appstreamcli validate "${appstream[@]}" "$root"/usr/share/metainfo/*.metainfo.xml) || {
  echo "$report" >&2
  exit 1
}
if grep 'unknown-tag' <<<"$report" | grep -qv 'unknown-tag developer$'; then
  echo "$report" >&2
  exit 1
fi

unit=$root/usr/lib/systemd/user/larkspur.service
grep -qx 'ExecStart=/usr/bin/Larkspur --headless' "$unit"
grep -qx 'RestartPreventExitStatus=1 2' "$unit"
# The sandbox scores 2.1 (of 10); the threshold counts tenths.
systemd-analyze security --offline=true --threshold=25 "$unit" >/dev/null || {
  systemd-analyze security --offline=true "$unit" >&2 || true
  echo "$unit: sandbox weaker than before" >&2
  exit 1
}
echo "$deb: files, dependencies, lintian, menu entries, AppStream data and user unit as expected"
