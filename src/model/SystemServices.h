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
};

// The DNS servers a change sets, in order: the card's IPv4 servers, then the service's kept
// entries (AdapterInfo::dnsKept). Empty: none by hand, DHCP gives them. No value: the change
// leaves the DNS servers as they are, and sends nothing about them.
using DnsChange = std::optional<QStringList>;

// Everything the model asks of the system. The application wires the real reader, writer and
// ping runner once at start; tests wire fakes that answer at once or when the test decides.
struct SystemServices {
    std::function<QFuture<AdapterRead>()> readAdapters;
    std::function<QFuture<CommandResult>(ServiceTarget service, QString ip, QString mask,
                                         QString router, DnsChange dns)>
        setManual;
    std::function<QFuture<CommandResult>(ServiceTarget service, DnsChange dns)> setDHCP;
    std::function<QFuture<CommandResult>(ServiceTarget service, bool enabled)> setServiceEnabled;
    std::function<QFuture<PingOutcome>(QString address, QString device, int count)> ping;
    std::function<QCoro::Task<>(std::chrono::milliseconds)> wait;
    // Whether a change reaches its service by name: where it does, two services sharing a name
    // cannot be told apart and the system would change the first of them.
    bool addressesServicesByName = true;
    // The system as the messages name it when it does not show what was asked for.
    QString systemName = QStringLiteral("macOS");
};
