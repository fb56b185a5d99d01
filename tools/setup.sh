#!/usr/bin/env bash
# Installs the Debian packages Zorvane needs to build, test and run, when missing.
# Sourced by ./run, ./test and the benchmark and fuzz commands.
set -euo pipefail

ZV_PACKAGES=(
  build-essential cmake ninja-build ccache pkg-config
  qt6-base-dev libgl-dev
  libshp-dev libmsiecf-dev libbfio-dev libmsiecf-utils
  liblitehtml-dev libgumbo-dev zlib1g-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-liberation fonts-dejavu-core fonts-droid-fallback
  libqt6svg6 qt6-image-formats-plugins
  xvfb x11-apps xauth imagemagick openbox xdotool x11-utils
  libdb1-compat
  libxml2-utils
  desktop-file-utils appstream
)

zv_missing_packages() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  echo "${missing[@]:-}"
}

zv_install_packages() {
  local missing
  missing=$(zv_missing_packages "$@")
  if [ -n "$missing" ]; then
    echo "Installing: $missing"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing
  fi
}

# The folder of the shared comparison tools (browser-shots, likeness) the likeness
# benchmarks use: $ZV_SHARED_TOOLS, else shared/tools beside the checkout.
zv_shared_tools() {
  local dir=${ZV_SHARED_TOOLS:-$(cd .. && pwd)/shared/tools}
  [ -x "$dir/likeness" ] || dir=/work/shared/tools
  echo "$dir"
}

zv_install_packages "${ZV_PACKAGES[@]}"
