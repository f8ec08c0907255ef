#!/usr/bin/env bash
# Builds the Debian package folvane_<version>_<arch>.deb into the project
# directory, from the build/ tree: only what changed since the last build is
# rebuilt. Install it with: sudo apt install ./folvane_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
./scripts/build.sh build
rm -f build/folvane_*.deb ./folvane_*.deb
(cd build && cpack -G DEB)
mv build/folvane_*.deb .
ls folvane_*.deb
