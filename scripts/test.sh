#!/usr/bin/env bash
# Sets everything up, builds Folvane and runs all tests.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
./scripts/build.sh build
ctest --test-dir build --output-on-failure -j2 --timeout 600
