#!/usr/bin/env bash
# Installs the SMTP clients the end-to-end tests deliver with, from Debian's
# packages. postfix is wanted only for its smtp-source: it is installed
# without a configuration and its service is never started.
set -euo pipefail

packages=(curl swaks msmtp python3 postfix)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo 'postfix postfix/main_mailer_type select No configuration' | as_root debconf-set-selections

# invoke-rc.d asks this policy before starting any service; 101 means "not
# allowed". A policy that is already there (as in containers) is kept.
policy=/usr/sbin/policy-rc.d
own_policy=false
if [ ! -e "$policy" ]; then
  printf '#!/bin/sh\nexit 101\n' | as_root tee "$policy" >/dev/null
  as_root chmod 755 "$policy"
  own_policy=true
fi
remove_policy() {
  if [ "$own_policy" = true ]; then as_root rm -f "$policy"; fi
}
trap remove_policy EXIT

as_root apt-get update -q
as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
  -o DPkg::Lock::Timeout=600 "${missing[@]}"
