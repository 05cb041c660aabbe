// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "AdapterRead.h"
#include "NetworkManagerBus.h"

#include <QFuture>
#include <QList>
#include <QString>
#include <QVariantMap>

#include <chrono>

// Reads the network services from NetworkManager: one service per connection profile of a
// switchable kind (Ethernet, Wi-Fi, bridge, bond, VLAN), identified by the profile's UUID. A
// read asks for every object the daemon manages (devices, active connections, live IPv4
// configurations) and, at the same time, for the profiles; then for every profile's settings,
// all sent at once. It never reports an error to its caller other than through the read's
// failure text.
namespace NetworkManagerReader {

// Where the daemon is: an empty address is the system bus.
struct Bus {
    QString address;
    std::chrono::milliseconds timeLimit = NetworkManagerBus::callTimeLimit;
};

// One profile as the daemon gave it: its object path and its settings (plain values).
struct Profile {
    QString path;
    QVariantMap settings;
};

// One complete read on a connection of its own, on the blocking pool.
QFuture<AdapterRead> readAsync(Bus bus);
// The same, blocking the calling thread; only ever called off the main thread.
AdapterRead read(const Bus &bus);

// The services that the daemon's managed objects (object path → interface → properties) and
// the profiles, in the daemon's order, describe, in display order.
QList<AdapterInfo> adapters(const QVariantMap &managedObjects, const QList<Profile> &profiles);

// Why the daemon did not answer a first call, as the end of a French sentence: "le service ne
// fonctionne pas.", "le bus système est injoignable."…
QString causeOfNoAnswer(const QDBusError &error);

} // namespace NetworkManagerReader
