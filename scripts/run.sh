#!/usr/bin/env bash
# Builds Varnex (installing what is missing) and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARNEX_BUILD_TESTS=OFF
cmake --build build --target varnex
exec build/varnex "$@"
