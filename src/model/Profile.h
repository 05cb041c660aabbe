// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "AdapterInfo.h"

#include <QList>
#include <QString>
#include <QStringList>

// What a profile wants of one service, and what finds the service again: its id first, then
// its name with its device or hardware when the id changed (a profile recreated, another
// computer).
struct ProfileEntry {
    QString serviceId;
    QString serviceName;
    QString device;
    QString hardware;

    bool enabled = true;
    // When enabled: DHCP, or the fixed address, mask and router (empty: none).
    bool dhcp = true;
    QString ip;
    QString mask;
    QString router;
    // The IPv4 servers set by hand, in order, as the card has them; empty: DHCP's.
    QStringList dnsServers;

    // The service's state as a read shows it: what a snapshot keeps, and a new profile starts
    // from.
    static ProfileEntry fromRecord(const AdapterInfo &info);

    // The line a profile's card shows: « Ethernet : 192.168.1.20 / 255.255.255.0 → 192.168.1.1 »,
    // « Wi-Fi : DHCP », « Bond 1 : désactivée ».
    QString summary() const;
    // Whether a read of the service shows exactly this state, addresses compared in their
    // canonical form and DNS servers in order.
    bool shownBy(const AdapterInfo &info) const;

    friend bool operator==(const ProfileEntry &, const ProfileEntry &) = default;
};

struct Profile {
    QString name;
    QString note;
    QList<ProfileEntry> entries;

    friend bool operator==(const Profile &, const Profile &) = default;
};

// Whether a read of a service shows what a change asked for: the one rule of every verification.
namespace Shown {
// The IPv4 servers set by hand, canonical and in order.
bool dns(const AdapterInfo &info, const QStringList &servers);
// DHCP, or the fixed address saved and in effect, with exactly that router (none when empty).
bool addressing(const AdapterInfo &info, bool dhcp, const QString &ip, const QString &mask,
                const QString &router);
} // namespace Shown

// Profile names are compared without case: « Labo » and « labo » are one profile.
bool sameProfileName(const QString &a, const QString &b);
