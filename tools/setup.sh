#!/usr/bin/env bash
# Installs whatever Debian packages are missing, then configures and builds.
# Sourced by tools/run and tools/test; BUILD_DIR and PRESET may be set.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
PRESET="${PRESET:-default}"
BUILD_DIR="${BUILD_DIR:-$ROOT/build/$PRESET}"

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-private-dev libgl-dev qt6-translations-l10n
  libgtest-dev libgmock-dev libbenchmark-dev
  poppler-utils
  desktop-file-utils appstream shared-mime-info xdg-utils libfile-mimeinfo-perl
  man-db dpkg-dev file
  fonts-dejavu-core fonts-liberation2 fonts-wine
)

missing=()
for pkg in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$pkg")
  fi
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  SUDO=()
  if [ "$(id -u)" -ne 0 ]; then SUDO=(sudo); fi
  "${SUDO[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${SUDO[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake --preset "$PRESET" -S "$ROOT" >/dev/null
cmake --build "$BUILD_DIR" --parallel "$(nproc)"
