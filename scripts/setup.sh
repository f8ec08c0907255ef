#!/usr/bin/env bash
# Installs every Debian package Folvane needs to build, run and test.
# Idempotent and quick when everything is already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git ccache
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  opencc libcli11-dev  # opencc: the converter's own program, timed beside ours in bench/
  qt6-base-dev qt6-base-dev-tools libgl1-mesa-dev libxcb1-dev
  qt6-webengine-dev
  xvfb xauth xdotool xclip x11-utils trayer fonts-noto-cjk
  libwayland-dev librust-wayland-protocols-dev qt6-wayland
  sway wl-clipboard wtype foot dbus
  xdg-desktop-portal xdg-desktop-portal-dev  # the global-shortcuts test: the portal's front end, its interfaces
  time
  dpkg-dev file help2man
  qt6-translations-l10n
  clang libclang-rt-14-dev
  libcmark-gfm-dev libcmark-gfm-extensions-dev  # the Markdown reader (CommonMark with the GFM extensions)
  nlohmann-json3-dev  # folvane-cli --report json and the language server (folvane-cli lsp)
  pre-commit  # the hooks' test in a throwaway repository
  patch  # the test that diffs of folvane-cli --diff apply (with patch -p1 and git apply)
)
# What .ci/run checks the installed package with.
if [ "${1:-}" = "--ci" ]; then
  packages+=(desktop-file-utils appstream lintian man-db)
  packages+=(neovim)  # the language server's end-to-end test: Neovim's own LSP client
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
