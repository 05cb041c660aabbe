#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Brisvale contributors
# install-test.sh BUILD_DIR SOURCE_DIR APP_ID VERSION
# Installs into a temporary prefix (nothing outside it), checks what was installed, then runs
# the installed application from another folder, in a private mount namespace where the build
# and source trees are hidden under empty file systems, as if they had been deleted.
set -euo pipefail

build=$(cd "$1" && pwd -P)
source=$(cd "$2" && pwd -P)
app_id=$3
version=$4

fail() {
    echo "install-test: $*" >&2
    exit 1
}

prefix=$(mktemp -d "${TMPDIR:-/tmp}/brisvale-prefix.XXXXXX")
away=$(mktemp -d "${TMPDIR:-/tmp}/brisvale-away.XXXXXX")
trap 'rm -rf "$prefix" "$away"' EXIT
case "$prefix/" in "$build"/* | "$source"/*) fail "the temporary folder must lie outside the trees" ;; esac

cmake --install "$build" --prefix "$prefix" >"$away/install.log" || {
    cat "$away/install.log" >&2
    fail "cmake --install failed"
}
# Every installed file lies inside the prefix.
while IFS= read -r installed; do
    case "$installed" in "$prefix"/*) ;; *) fail "installed outside the prefix: $installed" ;; esac
done <"$build/install_manifest.txt"

app="$prefix/bin/brisvale"
sim_root="$prefix/libexec/brisvale/sim-root"
for file in "$app" "$sim_root/usr/sbin/networksetup" "$sim_root/usr/bin/osascript" \
    "$sim_root/sbin/ifconfig" "$sim_root/sbin/ifconfig-full" "$sim_root/sbin/ping"; do
    [ -x "$file" ] || fail "missing or not executable: ${file#"$prefix"/}"
done

desktop="$prefix/share/applications/$app_id.desktop"
metainfo="$prefix/share/metainfo/$app_id.metainfo.xml"
icon="$prefix/share/icons/hicolor/256x256/apps/$app_id.png"
desktop-file-validate "$desktop" || fail "desktop-file-validate refused $desktop"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli refused $metainfo"
grep -q '<screenshot' "$metainfo" || fail "the metainfo names no screenshot"
# A PNG's width and height, big-endian, at bytes 16 to 23.
size=$(od -An -tx1 -j16 -N8 "$icon" | tr -d ' \n')
[ "$size" = "0000010000000100" ] || fail "the icon is not 256x256 (header $size)"

# What runs where the trees are hidden: from a bash -c text, since this script's own file
# disappears with the source tree. Arguments: app, sim root, scratch folder, version, source
# copy of the demo machine.
cp "$source/assets/demo-machine.json" "$away/expected-demo-machine.json"
checks='
set -euo pipefail
app=$1 sim_root=$2 away=$3 version=$4
fail() { echo "install-test: $*" >&2; exit 1; }
cd "$away"
export HOME="$away/home" XDG_DATA_HOME="$away/data" XDG_CONFIG_HOME="$away/config"
export QT_QPA_PLATFORM=offscreen DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent
unset BRISVALE_SIM_ROOT BRISVALE_SIMULATION

shown=$("$app" --version) || fail "--version failed"
[ "$shown" = "Brisvale $version" ] || fail "--version printed: $shown"

# First start: the demo machine, from inside the executable, becomes the user'"'"'s machine.
"$app" >"$away/run.out" 2>"$away/run.err" &
pid=$!
machine=
for _ in $(seq 1 600); do
    machine=$(sed -n "s/^Machine simulée : //p" "$away/run.out")
    [ -n "$machine" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
[ -n "$machine" ] || fail "the application never named its machine: $(cat "$away/run.err")"
cmp -s "$machine" "$away/expected-demo-machine.json" || fail "$machine is not the demo machine"

# The installed stand-ins work on that machine.
export BRISVALE_SIMULATION="$machine"
"$sim_root/sbin/ifconfig" -a | grep -q "^en0: " || fail "the installed ifconfig stand-in failed"
"$sim_root/sbin/ifconfig" en0 | grep -q "status: active" \
    || fail "the installed ifconfig stand-in failed for one device"
"$sim_root/usr/sbin/networksetup" -listallnetworkservices | grep -q "^Ethernet$" \
    || fail "the installed networksetup stand-in failed"

# The list of services, through the stand-ins found beside the installed executable.
"$app" --simulate "$machine" --list >"$away/list.out" || fail "--list failed"
grep -q "Ethernet" "$away/list.out" || fail "--list did not list Ethernet: $(cat "$away/list.out")"
echo "install-test: the installed application runs on its own"
'

hidden=0
if command -v unshare >/dev/null && unshare -m --propagation private true 2>/dev/null; then
    hidden=1
    unshare -m --propagation private bash -c '
        set -e
        mount -t tmpfs -o size=1m brisvale-build-gone "$1"
        mount -t tmpfs -o size=1m brisvale-source-gone "$2"
        shift 2
        exec bash -c "$@"
    ' _ "$build" "$source" "$checks" _ "$app" "$sim_root" "$away" "$version"
else
    bash -c "$checks" _ "$app" "$sim_root" "$away" "$version"
fi

if [ "$hidden" = 0 ]; then
    if [ "${BRISVALE_REQUIRE_PRIVILEGED_TESTS:-}" = 1 ]; then
        fail "no private mount namespace to hide the build and source trees in"
    fi
    echo "install-test: skipped hiding the trees (no private mount namespace); the rest passed"
    exit 77
fi
