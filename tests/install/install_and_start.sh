#!/usr/bin/env bash
# Installs the build in $1 under a temporary prefix, checks the installed files and the desktop entry,
# and starts the installed program offscreen from an unrelated folder with a fresh data folder: it
# must find its table templates through its own location and copy them into the data folder.
set -euo pipefail
build=$1
work=$(mktemp -d /tmp/qelto-install.XXXXXX)
pid=
cleanup() {
    if [[ -n $pid ]]; then
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >"$work/install.log" || { cat "$work/install.log"; fail "cmake --install"; }
for f in bin/qelto share/applications/qelto.desktop share/icons/hicolor/scalable/apps/qelto.svg \
         share/qelto/System/FTPServers.XML share/qelto/System/FTPEvents.XML \
         share/qelto/System/FilesInfo.XML share/qelto/System/Permisions.XML; do
    [[ -e $prefix/$f ]] || fail "$f was not installed"
done
[[ -n $(find "$prefix/lib" -name 'libqelto_webpreview.so' 2>/dev/null) ]] || fail "the web preview plugin was not installed"
desktop-file-validate "$prefix/share/applications/qelto.desktop" || fail "the desktop entry does not validate"

# A folder with nothing of Qelto in it, and a data folder of its own.
mkdir -p "$work/elsewhere" "$work/data"
cd "$work/elsewhere"
XDG_DATA_HOME=$work/data QT_QPA_PLATFORM=offscreen "$prefix/bin/qelto" >"$work/run.log" 2>&1 &
pid=$!
system=$work/data/Kaxo/Qelto/System
deadline=$((SECONDS + 60))
until [[ -s $system/FTPServers.XML && -s $system/Permisions.XML && -s $system/FilesInfo.XML && -s $system/FTPEvents.XML ]]; do
    kill -0 "$pid" 2>/dev/null || { cat "$work/run.log"; fail "the installed program ended early"; }
    ((SECONDS < deadline)) || { cat "$work/run.log"; ls -la "$system" 2>&1; fail "no templates were copied"; }
    sleep 0.2
done
cmp -s "$system/FTPServers.XML" "$prefix/share/qelto/System/FTPServers.XML" || fail "FTPServers.XML is not the template"
kill -0 "$pid" 2>/dev/null || fail "the installed program did not keep running"
[[ ! -e $work/elsewhere/System ]] || fail "the program wrote into the folder it was started from"
echo "installed program started from $work/elsewhere and found $prefix/share/qelto/System"
