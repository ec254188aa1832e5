#!/usr/bin/env bash
# Validates the desktop entry and the AppStream metainfo: validate.sh <data folder>.
# Exits 77 (skipped) when a validator is not installed; scripts/deps.sh installs both.
set -euo pipefail
data=$1
for tool in desktop-file-validate appstreamcli; do
  if ! command -v "$tool" >/dev/null; then
    echo "$tool is not installed: skipped"
    exit 77
  fi
done
desktop-file-validate "$data/io.github.varnex.Varnex.desktop"
appstreamcli validate --no-net "$data/io.github.varnex.Varnex.metainfo.xml"
