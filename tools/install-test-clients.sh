#!/usr/bin/env bash
# Installs the SMTP clients the end-to-end tests deliver with, from Debian's
# packages. postfix is wanted only for its smtp-source: it is installed
# without a configuration and its service is never started.
set -euo pipefail

. "$(dirname "$0")/packages.sh"

mapfile -t missing < <(missing_packages curl swaks msmtp python3 postfix)
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

install_packages "${missing[@]}"
