#!/usr/bin/env bash
# Configures and builds Folvane into build/ (or the directory given as $1,
# with further CMake arguments after it).
set -euo pipefail
cd "$(dirname "$0")/.."
dir="${1:-build}"
shift || true
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  # Paths under the project are hashed relative to it, so clones in other
  # folders (CI's, a second work tree) reuse each other's objects.
  export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=true
fi
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@" >/dev/null
# FOLVANE_TARGETS (names separated by white space) builds only those targets.
targets=()
if [[ -n "${FOLVANE_TARGETS:-}" ]]; then
  read -r -d "" -a names <<<"$FOLVANE_TARGETS" || true
  targets=(--target "${names[@]}")
fi
cmake --build "$dir" "${targets[@]}"
