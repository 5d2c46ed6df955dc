# Shared by scripts/run, scripts/test and .ci/sanitizers: install what is missing, unpack the servers
# the tests start, configure and build.
set -euo pipefail

QELTO_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
QELTO_BUILD="${QELTO_BUILD:-$QELTO_ROOT/build}"

# Debian 12 packages that building and running Qelto needs (scripts/run): the compiler and Qt with its
# tools (Designer for the .ui forms), python3-pyftpdlib for scripts/demo-server, Xvfb for a machine
# without a display. None of them starts a service.
QELTO_RUN_PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools qt6-svg-dev
  qt6-charts-dev qt6-webengine-dev
  libgl1-mesa-dev
  python3 python3-pyftpdlib
  xvfb xauth fonts-dejavu-core
)

# The shared libraries of the unpacked vsftpd, proftpd and pure-ftpd (apt-cache depends vsftpd
# proftpd-core pure-ftpd): their packages are not installed, so nothing else brings them.
QELTO_TEST_SERVER_LIBRARIES=(
  libcap2 libpam0g libpam-modules libssl3 libwrap0
  libacl1 libcrypt1 libhiredis0.14 libidn2-0 libmemcached11 libmemcachedutil2 libncursesw6
  libpcre2-8-0 libpcre2-posix3 libtinfo6 zlib1g
  libsodium23
)

# What the tests and benchmarks need on top (scripts/test): GoogleTest, the peers and readers they run,
# and the libraries of the servers that qelto_unpack_test_servers unpacks. A server itself is never
# installed as a package here: a server package registers, enables and starts its service on the
# user's machine (vsftpd an FTP daemon on port 21 for every local login), and tests/install's
# PackageListsStartNoService checks both lists for it.
QELTO_TEST_PACKAGES=(
  libgtest-dev libgmock-dev libbenchmark-dev
  heimdal-clients curl time bc
  unrtf
  openssl python3-openssl desktop-file-utils
  "${QELTO_TEST_SERVER_LIBRARIES[@]}"
)

# qelto_install_missing [package...]: installs those of the packages (by default the run-time ones)
# that are not installed yet, through sudo when not root.
qelto_install_missing() {
  local wanted=("$@")
  [ ${#wanted[@]} -gt 0 ] || wanted=("${QELTO_RUN_PACKAGES[@]}")
  local missing=()
  for p in "${wanted[@]}"; do
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

# qelto_unpack_test_servers [build folder]: the servers that tests start, unpacked from their Debian
# packages into <build folder>/test-servers (default: $QELTO_BUILD) and run from there, so that no
# service is installed, enabled or started on this machine: vsftpd, proftpd and pure-ftpd, each below
# test-servers/<package> (QELTO_TEST_SERVERS names the binary), where the fixtures of tests/fixtures
# look for them. The .debs are kept beside them; a second build folder takes those of $QELTO_BUILD
# when there are some. Quick and offline once done: a package's stamp names the package unpacked, and
# is written last.
QELTO_TEST_SERVERS=(vsftpd:usr/sbin/vsftpd proftpd-core:usr/sbin/proftpd pure-ftpd:usr/sbin/pure-ftpd)

qelto_unpack_test_servers() {
  local entry
  for entry in "${QELTO_TEST_SERVERS[@]}"; do
    qelto_unpack_test_server "${1:-$QELTO_BUILD}/test-servers" "${entry%%:*}" "${entry#*:}"
  done
}

# qelto_unpack_test_server FOLDER PACKAGE BINARY: one package of qelto_unpack_test_servers.
qelto_unpack_test_server() {
  local dir=$1 name=$2 binary=$3
  local stamp="$dir/$name.stamp" deb
  if [ -f "$stamp" ] && [ -x "$dir/$name/$binary" ]; then
    return 0
  fi
  mkdir -p "$dir/debs"
  deb=$(ls "$dir"/debs/"$name"_*.deb "$QELTO_BUILD"/test-servers/debs/"$name"_*.deb 2>/dev/null | head -n 1 || true)
  if [ -z "$deb" ]; then
    echo "Fetching the $name package to unpack into $dir"
    # apt-get download needs no root; a package list too old for the mirror is refreshed once.
    if ! (cd "$dir/debs" && apt-get download "$name"); then
      local sudo=""
      [ "$(id -u)" -eq 0 ] || sudo="sudo"
      $sudo apt-get -o DPkg::Lock::Timeout=600 update
      (cd "$dir/debs" && apt-get download "$name")
    fi
    deb=$(ls "$dir"/debs/"$name"_*.deb | head -n 1)
  fi
  rm -rf "$dir/$name" "$dir/$name.partial" "$stamp"
  dpkg-deb -x "$deb" "$dir/$name.partial"
  mv "$dir/$name.partial" "$dir/$name"
  basename "$deb" >"$stamp"
}

# qelto_build [target...]: configures build/ and builds the given targets (all when none are given).
qelto_build() {
  local type="${QELTO_BUILD_TYPE:-RelWithDebInfo}"
  # The tests and benchmarks are configured once their libraries are installed (scripts/test installs
  # them); before that, as after a first scripts/run, they are left out instead of failing the build.
  local with=ON p
  for p in libgtest-dev libgmock-dev libbenchmark-dev; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || with=OFF
  done
  cmake -S "$QELTO_ROOT" -B "$QELTO_BUILD" -G Ninja -DCMAKE_BUILD_TYPE="$type" \
    -DQELTO_BUILD_TESTS=$with -DQELTO_BUILD_BENCH=$with
  local targets=()
  for t in "$@"; do targets+=(--target "$t"); done
  cmake --build "$QELTO_BUILD" -j "$(nproc)" "${targets[@]}"
}
