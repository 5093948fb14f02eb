#!/usr/bin/env bash
# Installs whichever of the project's Debian packages are missing. Safe to run
# again: with everything present it changes nothing and needs no network.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

wanted=$(grep -v -E '^\s*(#|$)' "$here/packages.txt")
missing=()
for pkg in $wanted; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi

echo "setup: installing ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "setup: run as root (or with sudo) to install packages" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
