// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "NetworkManagerServices.h"

#include "BlockingPool.h"
#include "NetworkManagerWriter.h"
#include "PingRunner.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QSemaphore>
#include <QThreadPool>

#include <atomic>
#include <memory>

namespace NetworkManagerServices {

namespace {

const QString service = QStringLiteral("org.freedesktop.NetworkManager");

Probe ask(const NetworkManagerReader::Bus &bus, std::chrono::milliseconds limit)
{
    static std::atomic<int> probes = 0;
    const QString name = QStringLiteral("brisvale-networkmanager-probe-%1").arg(++probes);
    Probe probe;
    {
        QDBusConnection connection =
            bus.address.isEmpty() ? QDBusConnection::connectToBus(QDBusConnection::SystemBus, name)
                                  : QDBusConnection::connectToBus(bus.address, name);
        if (!connection.isConnected()) {
            probe.cause = QStringLiteral("le bus système est injoignable.");
        } else {
            // Only a daemon that already runs counts: a call to an absent one could start it.
            QDBusMessage owner = QDBusMessage::createMethodCall(
                QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
            owner << service;
            const QDBusMessage hasOwner = connection.call(owner, QDBus::Block, int(limit.count()));
            if (hasOwner.type() != QDBusMessage::ReplyMessage) {
                probe.cause = NetworkManagerReader::causeOfNoAnswer(QDBusError(hasOwner));
            } else if (!hasOwner.arguments().value(0).toBool()) {
                probe.cause = QStringLiteral("le service ne fonctionne pas.");
            } else {
                QDBusMessage version = QDBusMessage::createMethodCall(
                    service, QStringLiteral("/org/freedesktop/NetworkManager"),
                    QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
                version << service << QStringLiteral("Version");
                version.setAutoStartService(false);
                const QDBusMessage reply =
                    connection.call(version, QDBus::Block, int(limit.count()));
                probe.answers = reply.type() == QDBusMessage::ReplyMessage;
                if (probe.answers)
                    probe.version =
                        reply.arguments().value(0).value<QDBusVariant>().variant().toString();
                else
                    probe.cause = NetworkManagerReader::causeOfNoAnswer(QDBusError(reply));
            }
        }
    }
    QDBusConnection::disconnectFromBus(name);
    return probe;
}

} // namespace

Probe probe(const NetworkManagerReader::Bus &bus, std::chrono::milliseconds limit)
{
    // Even connecting may hang on a wedged bus: the probe runs aside and is given up on after
    // the limit. It may outlive this call, so what it reports into is shared with it.
    struct Outcome {
        QSemaphore done;
        Probe probe;
    };
    auto outcome = std::make_shared<Outcome>();
    BlockingPool::instance()->start([bus, limit, outcome] {
        outcome->probe = ask(bus, limit);
        outcome->done.release();
    });
    Probe probe = outcome->done.tryAcquire(1, int(limit.count()))
                      ? outcome->probe
                      : Probe{false, {}, QStringLiteral("le service n'a pas répondu à temps.")};
    if (!probe.answers)
        probe.cause.prepend(QStringLiteral("NetworkManager ne répond pas : "));
    return probe;
}

SystemServices services(const NetworkManagerReader::Bus &bus)
{
    SystemServices services;
    services.readAdapters = [bus] { return NetworkManagerReader::readAsync(bus); };
    // Each change reaches exactly the profile the card shows, by its UUID.
    services.setManual = [bus](ServiceTarget target, QString ip, QString mask, QString router) {
        return NetworkManagerWriter::setManual(target.id, target.name, ip, mask, router,
                                               bus.address);
    };
    services.setDHCP = [bus](ServiceTarget target) {
        return NetworkManagerWriter::setDHCP(target.id, target.name, bus.address);
    };
    services.setServiceEnabled = [bus](ServiceTarget target, bool enabled) {
        return NetworkManagerWriter::setEnabled(target.id, target.name, enabled, bus.address);
    };
    services.systemName = QStringLiteral("NetworkManager");
    // Profiles are addressed by UUID.
    services.addressesServicesByName = false;
    services.ping = [](QString address, QString device, int count) {
        return PingRunner::send(PingRunner::iputils(), PingRunner::systemProgram(), address, device,
                                count);
    };
    return services;
}

} // namespace NetworkManagerServices
