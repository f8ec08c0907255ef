#!/usr/bin/env bash
# Configures and builds Folvane into build/ (or the directory given as $1,
# with further CMake arguments after it).
set -euo pipefail
cd "$(dirname "$0")/.."
dir="${1:-build}"
shift || true
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$dir"
