#!/usr/bin/env bash
# Installs, on Debian, whatever Varnex needs to build and test that is missing.
# Usage: scripts/deps.sh [extra Debian packages...]
set -euo pipefail

# dpkg-dev and file: the package's dependencies (dpkg-shlibdeps); desktop-file-utils and
# appstream: the validators of the installed desktop files; qt6-l10n-tools and qt6-tools-dev:
# the translations; qt6-translations-l10n: Qt's own texts (standard buttons, dialogs) translated.
packages=(cmake ninja-build g++ qt6-base-dev libgl-dev dpkg-dev file desktop-file-utils appstream
  qt6-l10n-tools qt6-tools-dev qt6-translations-l10n "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
