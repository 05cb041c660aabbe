// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "AdapterRead.h"
#include "CommandResult.h"
#include "PingOutcome.h"

#include <QFuture>
#include <QList>
#include <QString>
#include <QStringList>
#include <qcorotask.h>

#include <chrono>
#include <functional>
#include <optional>

// The service a change is meant for. A system that addresses services by an identifier
// (NetworkManager's profile UUID) uses the id; one that addresses them by name (networksetup)
// uses the name.
struct ServiceTarget {
    QString id;
    QString name;

    friend bool operator==(const ServiceTarget &, const ServiceTarget &) = default;
};

// The DNS servers a change sets, in order: the card's IPv4 servers, then the service's kept
// entries (AdapterInfo::dnsKept). Empty: none by hand, DHCP gives them. No value: the change
// leaves the DNS servers as they are, and sends nothing about them.
using DnsChange = std::optional<QStringList>;

// A service's addressing as one change sets it.
struct Addressing {
    bool dhcp = true;
    // When not DHCP; an empty router is none.
    QString ip;
    QString mask;
    QString router;
    DnsChange dns;

    friend bool operator==(const Addressing &, const Addressing &) = default;
};

// Everything one service is to be changed in, within a group of changes: switched on first, then
// addressed, or addressed and then switched off.
struct ServiceChange {
    ServiceTarget target;
    // No value: the service stays on or off as it is.
    std::optional<bool> enable;
    std::optional<Addressing> addressing;

    friend bool operator==(const ServiceChange &, const ServiceChange &) = default;
};

// What the system keeps of the services a group of changes touches, to give them back by itself.
struct Transaction {
    // Status 0 when it was begun; otherwise why not, and nothing may be changed.
    CommandResult result;
    // The system's own handle on it (NetworkManager: the checkpoint's object path); empty where
    // the system keeps nothing itself and Brisvale's snapshot is the only way back.
    QString handle;
    // The ids of the services the system restores by itself on rollback; Brisvale restores the
    // others from its snapshot.
    QStringList covered;
};

// Everything the model asks of the system. The application wires the real reader, writer and
// ping runner once at start; tests wire fakes that answer at once or when the test decides.
struct SystemServices {
    std::function<QFuture<AdapterRead>()> readAdapters;
    std::function<QFuture<CommandResult>(ServiceTarget service, QString ip, QString mask,
                                         QString router, DnsChange dns)>
        setManual;
    std::function<QFuture<CommandResult>(ServiceTarget service, DnsChange dns)> setDHCP;
    std::function<QFuture<CommandResult>(ServiceTarget service, bool enabled)> setServiceEnabled;
    // Several changes under one authorization where the system allows it (macOS: one privileged
    // script), in order, stopping at the first that fails. Not set: the model sends them one by
    // one through the calls above.
    std::function<QFuture<CommandResult>(QList<ServiceChange> changes)> changeServices;
    // A safety net around a group of changes that survives Brisvale (NetworkManager's
    // checkpoints): begun on the services before the first change, committed once every change
    // is verified, rolled back when one fails. Not set: the system keeps nothing itself.
    std::function<QFuture<Transaction>(QList<ServiceTarget> services)> beginTransaction;
    std::function<QFuture<CommandResult>(QString handle)> commitTransaction;
    std::function<QFuture<CommandResult>(QString handle)> rollbackTransaction;
    std::function<QFuture<PingOutcome>(QString address, QString device, int count)> ping;
    std::function<QCoro::Task<>(std::chrono::milliseconds)> wait;
    // Whether a change reaches its service by name: where it does, two services sharing a name
    // cannot be told apart and the system would change the first of them.
    bool addressesServicesByName = true;
    // The system as the messages name it when it does not show what was asked for.
    QString systemName = QStringLiteral("macOS");
};
