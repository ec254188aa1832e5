#!/usr/bin/env bash
# Builds the Debian package of Varnex with CPack (installing what is missing):
# build-package/varnex_<version>_<architecture>.deb. Its dependencies come from dpkg-shlibdeps.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
build=build-package
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DVARNEX_BUILD_TESTS=OFF -DVARNEX_BUILD_BENCH=OFF "${launcher[@]}"
cmake --build "$build" -j "$(nproc)"
# The files the package installs for the desktop must pass its validators.
data/validate.sh data
rm -f "$build"/varnex_*.deb
(cd "$build" && cpack -G DEB)
ls "$build"/varnex_*.deb
