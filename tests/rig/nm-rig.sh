#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Brisvale contributors
# A throw-away NetworkManager on a private system bus, inside private network, mount, PID, UTS
# and IPC namespaces, for the tests of the Linux backend. Nothing it does reaches the machine's
# own network, files or daemons: every mount is private to the namespace, /run is a fresh tmpfs,
# and every process of the rig dies with the namespace's first process, which dies with the
# caller (killed or not).
#
#   nm-rig.sh check                 exit 0 if a rig can be made here; else the reason on stdout
#                                   and exit 77 (cannot make namespaces: skip) or 1 (missing tools)
#   nm-rig.sh run [OPTIONS] -- COMMAND [ARGS...]
#                                   start a rig, run COMMAND inside it, tear the rig down and exit
#                                   with COMMAND's status
#       --empty                     no profiles (for benchmarks that write their own)
#   nm-rig.sh shell                 an interactive shell inside a rig
#
# Inside a rig (BRISVALE_RIG_DIR is set), for the command and the tests it runs:
#   nm-rig.sh stop-daemon           stop NetworkManager (by its PID) and wait until it is gone
#   nm-rig.sh start-daemon          start it again and wait until its start-up has finished
#   nm-rig.sh far COMMAND...        run COMMAND in the far namespace (the networks' side)
#
# Environment inside: DBUS_SYSTEM_BUS_ADDRESS (the rig's bus), BRISVALE_RIG_DIR (its scratch
# folder, on the namespace's tmpfs), BRISVALE_RIG_SCRIPT (this script), BRISVALE_RIG_CONNECTIONS
# (the keyfile folder), BRISVALE_RIG_FAR_PID (the far namespace's holder).
set -euo pipefail

script=$(readlink -f "$0")
rig_dir=/run/brisvale-rig
prefix=rig

die() {
    echo "nm-rig: $*" >&2
    exit 1
}

check() {
    if [ "$(uname -s)" != Linux ]; then
        echo "network namespaces exist only on Linux"
        return 77
    fi
    if [ "$(id -u)" -ne 0 ]; then
        echo "making network namespaces needs root"
        return 77
    fi
    if ! command -v unshare >/dev/null || ! command -v nsenter >/dev/null; then
        echo "unshare or nsenter is missing (util-linux)"
        return 77
    fi
    if ! unshare -n -m -u -i -p -f --mount-proc --propagation private true 2>/dev/null; then
        echo "this system refuses new namespaces (unshare -n -m -p failed)"
        return 77
    fi
    local missing=()
    local tool
    for tool in NetworkManager nmcli nm-online dnsmasq dbus-daemon ip; do
        command -v "$tool" >/dev/null || [ -x "/usr/sbin/$tool" ] || missing+=("$tool")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "missing ${missing[*]}: run scripts/install-deps (network-manager dnsmasq-base iproute2 dbus)"
        return 1
    fi
    return 0
}

# --- Profiles: keyfiles written before the daemon starts -------------------------------------
# Bond and VLAN profiles stay inactive: many kernels (this CI's among them) lack bonding and
# 802.1Q, and the rig must look the same everywhere.

# One profile a line: file | id | the UUID's last two hex digits | type | interface ("-": bound
# to none) | IPv4 (auto, ADDRESS/PREFIX[,GATEWAY], or "-" for a port, which has none of its own)
# | further keys, section.key=value, grouped by section.
profiles() {
    cat <<P
dhcp|Filaire DHCP|01|ethernet|dhcp|auto|
fixe|Salle "B" \$HOME 'n'|02|ethernet|fixe|10.77.2.10/24,10.77.2.1|
bridge|Pont du labo|03|bridge|br|10.77.3.10/24,10.77.3.1|bridge.stp=false
bridge-port|Port du pont|04|ethernet|brp|-|connection.master=$prefix-br connection.slave-type=bridge
bond|Agrégat|05|bond|bond|10.77.4.10/25,10.77.4.1|connection.autoconnect=false bond.mode=active-backup bond.miimon=100
bond-port|Port de l'agrégat|06|ethernet|bdp|-|connection.master=$prefix-bond connection.slave-type=bond connection.autoconnect=false
vlan|VLAN 42|07|vlan|vlan|10.77.42.10/24,10.77.42.1|connection.autoconnect=false vlan.id=42 vlan.parent=$prefix-fixe
wifi|Réseau café — 東京|08|wifi|-|auto|wifi.mode=infrastructure wifi.ssid=cafe-tokyo
inactive|Filaire inactif|09|ethernet|idle|10.77.9.10/16,10.77.9.1|connection.autoconnect=false
dup-active|Bureau|0a|ethernet|dup|10.77.5.10/24,10.77.5.1|
dup-idle|Bureau|0b|ethernet|dup|auto|connection.autoconnect=false
newline|Ligne 1\nLigne\t2|0c|ethernet|-|10.77.6.10/24|connection.autoconnect=false
dummy|Factice|0d|dummy|dummy|10.77.7.10/24|connection.autoconnect=false
P
}

write_profiles() {
    local file id n type interface ipv4 keys key section
    while IFS='|' read -r file id n type interface ipv4 keys; do
        section=connection
        {
            printf '[connection]\nid=%s\nuuid=0a1b2c3d-00%s-4000-8000-0000000000%s\ntype=%s\n' \
                "$id" "$n" "$n" "$type"
            [ "$interface" = - ] || echo "interface-name=$prefix-$interface"
            for key in $keys; do
                [ "${key%%.*}" = "$section" ] || { section=${key%%.*}; echo "[$section]"; }
                echo "${key#*.}"
            done
            case $ipv4 in
            -) ;;
            auto) printf '[ipv4]\nmethod=auto\n[ipv6]\nmethod=ignore\n' ;;
            *) printf '[ipv4]\nmethod=manual\naddress1=%s\n[ipv6]\nmethod=ignore\n' "$ipv4" ;;
            esac
        } >"$rig_dir/etc/system-connections/$file.nmconnection"
        chmod 600 "$rig_dir/etc/system-connections/$file.nmconnection"
    done < <(profiles)
}

# --- Inside the namespaces ------------------------------------------------------------------

far() {
    nsenter -t "$BRISVALE_RIG_FAR_PID" -n "$@"
}

# A veth pair: the client end stays here, the far end goes to the far namespace with the
# network's gateway address.
link() { # name, gateway/prefix
    ip link add "$prefix-$1" type veth peer name "far-$1"
    ip link set "far-$1" netns "$BRISVALE_RIG_FAR_PID"
    far ip link set "far-$1" up
    far ip addr add "$2" dev "far-$1"
}

dhcp_server() { # name, range start, range end, router, DNS servers (comma-separated)
    far dnsmasq --interface="far-$1" --bind-interfaces --except-interface=lo \
        --dhcp-range="$2,$3,255.255.255.0,1h" --dhcp-option=3,"$4" --dhcp-option=6,"$5" --port=0 \
        --no-resolv --no-hosts --dhcp-authoritative \
        --pid-file="$rig_dir/dnsmasq-$1.pid" --dhcp-leasefile="$rig_dir/dnsmasq-$1.leases"
}

start_daemon() {
    [ -n "${BRISVALE_RIG_DIR:-}" ] || die "start-daemon works only inside a rig"
    NetworkManager --no-daemon --debug --pid-file="$rig_dir/nm.pid" \
        >>"$rig_dir/nm.log" 2>&1 &
    echo $! >"$rig_dir/nm.pid.started"
    # Tests kill it on purpose; the shell need not report that.
    disown $! 2>/dev/null || true
    nm-online -s -q -t 60 || {
        tail -n 60 "$rig_dir/nm.log" >&2
        die "NetworkManager did not finish starting"
    }
}

stop_daemon() {
    [ -n "${BRISVALE_RIG_DIR:-}" ] || die "stop-daemon works only inside a rig"
    local pid
    pid=$(cat "$rig_dir/nm.pid.started" 2>/dev/null) || return 0
    kill -TERM "$pid" 2>/dev/null || return 0
    local tries=0
    while kill -0 "$pid" 2>/dev/null; do
        tries=$((tries + 1))
        [ $tries -lt 100 ] || kill -KILL "$pid" 2>/dev/null || true
        sleep 0.05
    done
    rm -f "$rig_dir/nm.pid.started"
}

inside() {
    local empty=$1
    shift
    # A fresh /run hides the host's: the bus socket, the daemon's run state and this rig's
    # scratch files live there and vanish with the namespace.
    mount -t tmpfs -o mode=755 tmpfs /run
    mkdir -p /run/dbus "$rig_dir"/{etc/system-connections,etc/conf.d,lib}
    mount --bind "$rig_dir/etc" /etc/NetworkManager
    mkdir -p /var/lib/NetworkManager
    mount --bind "$rig_dir/lib" /var/lib/NetworkManager
    : >"$rig_dir/resolv.conf"
    mount --bind "$rig_dir/resolv.conf" /etc/resolv.conf
    # This namespace's devices; read-only, so the daemon does not wait for udev.
    mount -t sysfs -o ro sysfs /sys
    hostname brisvale-rig

    export BRISVALE_RIG_DIR=$rig_dir BRISVALE_RIG_SCRIPT=$script
    export BRISVALE_RIG_CONNECTIONS=$rig_dir/etc/system-connections
    export DBUS_SYSTEM_BUS_ADDRESS=unix:path=/run/dbus/system_bus_socket

    cat >"$rig_dir/etc/NetworkManager.conf" <<C
[main]
plugins=keyfile
dns=none
rc-manager=unmanaged
auth-polkit=root-only
hostname-mode=none
no-auto-default=*
[connectivity]
enabled=false
[device]
match-device=interface-name:${prefix}-*
managed=1
C
    # The system bus's own policy, without activation (nothing may start a service here).
    {
        echo '<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"'
        echo ' "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">'
        echo '<busconfig><type>system</type><auth>EXTERNAL</auth>'
        echo "<listen>unix:path=/run/dbus/system_bus_socket</listen>"
        sed -n '/<policy context="default">/,/<\/policy>/p' /usr/share/dbus-1/system.conf
        echo '<includedir>/usr/share/dbus-1/system.d</includedir></busconfig>'
    } >"$rig_dir/bus.conf"
    dbus-daemon --config-file="$rig_dir/bus.conf" --fork --nopidfile --print-pid >"$rig_dir/dbus.pid"

    ip link set lo up
    unshare -n sleep infinity &
    export BRISVALE_RIG_FAR_PID=$!
    # The holder's namespace exists once unshare has exec'd sleep.
    local tries=0
    until [ "$(readlink "/proc/$BRISVALE_RIG_FAR_PID/ns/net")" != "$(readlink /proc/self/ns/net)" ]; do
        tries=$((tries + 1))
        [ $tries -lt 200 ] || die "the far namespace did not appear"
        sleep 0.01
    done
    far ip link set lo up
    link dhcp 10.77.1.1/24
    link fixe 10.77.2.1/24
    link brp 10.77.3.1/24
    link dup 10.77.5.1/24
    dhcp_server dhcp 10.77.1.100 10.77.1.150 10.77.1.1 10.77.1.53,10.77.1.54

    [ "$empty" = 1 ] || write_profiles
    start_daemon

    local status=0
    "$@" || status=$?
    if [ $status -ne 0 ] && [ -n "${BRISVALE_RIG_SHOW_LOG:-}" ]; then
        tail -n 80 "$rig_dir/nm.log" >&2
    fi
    # Orderly end; whatever is left dies with this process, the namespace's first.
    stop_daemon || true
    return $status
}

run() {
    local empty=0
    while [ $# -gt 0 ]; do
        case "$1" in
        --empty) empty=1 ;;
        --) shift; break ;;
        *) die "unknown option $1" ;;
        esac
        shift
    done
    [ $# -gt 0 ] || die "run: no command given"
    local reason status=0
    reason=$(check) || status=$?
    [ $status -eq 0 ] || { echo "nm-rig: $reason" >&2; exit $status; }
    # unshare becomes this process, so whoever started the rig holds it; --kill-child ties
    # the namespace's first process (and with it every process inside) to unshare's life.
    exec unshare -n -m -u -i -p -f --mount-proc --kill-child --propagation private \
        "$script" __inside "$empty" "$@"
}

case "${1:-}" in
check) check ;;
run) shift; run "$@" ;;
shell) run -- bash -i ;;
__inside) shift; inside "$@" ;;
start-daemon) start_daemon ;;
stop-daemon) stop_daemon ;;
far) shift; [ -n "${BRISVALE_RIG_FAR_PID:-}" ] || die "far works only inside a rig"; far "$@" ;;
*) sed -n '2,27p' "$script" | sed 's/^# \{0,1\}//'; exit 2 ;;
esac
