#!/usr/bin/env bash
# The package lists of the set-up scripts (every *_PACKAGES array of the scripts/common.sh given as $1)
# must hold no package that brings a service with it: scripts/run and scripts/test install them on the
# user's own machine, where such a package's service is registered, enabled at every boot and started
# (vsftpd: an FTP daemon on port 21 that takes local users' logins). A server the tests need is
# unpacked into the build folder instead (qelto_unpack_test_servers).
#
# A package fails when its files hold a systemd service or socket unit or an init script, or its
# postinst registers it with inetd. Installed packages are read with dpkg-query; others are fetched
# with apt-get download into a temporary folder and read with dpkg-deb.
set -euo pipefail
common=$1
work=$(mktemp -d /tmp/qelto-packages.XXXXXX)
trap 'rm -rf "$work"' EXIT

# shellcheck source=/dev/null
source "$common"
set +e
mapfile -t lists < <(compgen -A arrayvar | grep '_PACKAGES$')
((${#lists[@]})) || { echo "FAIL: no *_PACKAGES list in $common" >&2; exit 1; }

# read_package PACKAGE: writes the package's file list to $work/files and its postinst to
# $work/postinst.
read_package() {
    local p=$1 deb script
    : >"$work/postinst"
    if dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
        dpkg-query -L "$p" >"$work/files"
        for script in /var/lib/dpkg/info/"$p".postinst /var/lib/dpkg/info/"$p":*.postinst; do
            [[ -f $script ]] && cat "$script" >"$work/postinst"
        done
        return 0
    fi
    mkdir -p "$work/$p"
    (cd "$work/$p" && apt-get download "$p" >/dev/null 2>&1) || return 1
    deb=$(ls "$work/$p"/*.deb) || return 1
    dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\.||' >"$work/files"
    dpkg-deb -I "$deb" postinst >"$work/postinst" 2>/dev/null || true
}

failed=0
checked=0
for list in "${lists[@]}"; do
    declare -n packages=$list
    for p in "${packages[@]}"; do
        if ! read_package "$p"; then
            echo "FAIL: $list: $p is neither installed nor to be fetched, so its files cannot be read" >&2
            failed=1
            continue
        fi
        checked=$((checked + 1))
        services=$(grep -E '^(/usr)?/lib/systemd/system/[^/]+\.(service|socket)$|^/etc/init\.d/[^/]+$' "$work/files")
        if [[ -n $services ]]; then
            echo "FAIL: $list: $p ships a service: $(tr '\n' ' ' <<<"$services")" >&2
            failed=1
        fi
        if grep -q 'update-inetd --add' "$work/postinst"; then
            echo "FAIL: $list: $p registers a service with inetd" >&2
            failed=1
        fi
    done
    unset -n packages
done
((failed == 0)) || exit 1
echo "$checked packages of ${lists[*]}: none ships a service"
