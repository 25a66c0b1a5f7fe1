#!/usr/bin/env bash
# Installs those of the Debian packages named that are not installed yet (as
# root, with apt-get), so that CI on a fresh machine has what a stage needs:
#
#   bash tools/ensure_packages.sh PACKAGE...
set -euo pipefail
missing=()
for package in "$@"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed' || missing+=("$package")
done
((${#missing[@]} == 0)) && exit 0
if [[ $(id -u) -ne 0 ]]; then
  echo "missing packages, to be installed as root: ${missing[*]}" >&2
  exit 1
fi
apt-get update -qq
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
