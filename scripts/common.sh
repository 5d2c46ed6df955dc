# Shared by scripts/run and scripts/test: install what is missing, configure and build.
set -euo pipefail

QELTO_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
QELTO_BUILD="${QELTO_BUILD:-$QELTO_ROOT/build}"

# Debian 12 packages needed to build, test and run Qelto.
QELTO_PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools qt6-svg-dev
  qt6-charts-dev qt6-webengine-dev
  libgl1-mesa-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  python3 python3-pyftpdlib heimdal-clients curl time bc
  xvfb xauth fonts-dejavu-core
  unrtf
  vsftpd openssl python3-openssl desktop-file-utils
)

qelto_install_missing() {
  local missing=()
  for p in "${QELTO_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  # Another install running beside this one (a second script, the desktop's updater) is waited for.
  local wait=(-o DPkg::Lock::Timeout=600)
  $sudo apt-get "${wait[@]}" update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get "${wait[@]}" install -y --no-install-recommends "${missing[@]}"
}

# qelto_build [target...]: configures build/ and builds the given targets (all when none are given).
qelto_build() {
  local type="${QELTO_BUILD_TYPE:-RelWithDebInfo}"
  cmake -S "$QELTO_ROOT" -B "$QELTO_BUILD" -G Ninja -DCMAKE_BUILD_TYPE="$type"
  local targets=()
  for t in "$@"; do targets+=(--target "$t"); done
  cmake --build "$QELTO_BUILD" -j "$(nproc)" "${targets[@]}"
}
