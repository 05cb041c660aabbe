// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "NetworkManagerServices.h"

#include "BlockingPool.h"
#include "DBusValues.h"
#include "NetworkManagerBus.h"
#include "NetworkManagerCheckpoint.h"
#include "NetworkManagerWriter.h"
#include "PingRunner.h"

#include <QSemaphore>
#include <QThreadPool>

#include <memory>

namespace NetworkManagerServices {

namespace {

Probe ask(const NetworkManagerReader::Bus &bus, std::chrono::milliseconds limit)
{
    Probe probe;
    NetworkManagerBus connection(bus.address, limit);
    if (!connection.connected()) {
        probe.cause = QStringLiteral("le bus système est injoignable.");
        return probe;
    }
    // Only a daemon that already runs counts: a call to an absent one could start it.
    const NetworkManagerBus::Reply owner = connection.hasOwner();
    if (owner.error) {
        probe.cause = NetworkManagerReader::causeOfNoAnswer(*owner.error);
        return probe;
    }
    if (!DBusValues::boolean(owner.value()).value_or(false)) {
        probe.cause = QStringLiteral("le service ne fonctionne pas.");
        return probe;
    }
    const NetworkManagerBus::Reply version =
        connection.property(NetworkManagerBus::managerPath, NetworkManagerBus::managerInterface,
                            QStringLiteral("Version"));
    probe.answers = !version.error;
    if (probe.answers)
        probe.version = DBusValues::text(version.value()).value_or(QString());
    else
        probe.cause = NetworkManagerReader::causeOfNoAnswer(*version.error);
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

SystemServices services(const NetworkManagerReader::Bus &bus, std::chrono::seconds rollbackTimeout)
{
    SystemServices services;
    // The profiles kept for a group's rollback live as long as any of these lambdas.
    auto checkpoint = std::make_shared<NetworkManagerCheckpoint>(bus.address, rollbackTimeout);
    services.beginTransaction = [checkpoint](QList<ServiceTarget> targets) {
        return checkpoint->begin(targets);
    };
    services.commitTransaction = [checkpoint](QString handle) {
        return checkpoint->commit(handle);
    };
    services.rollbackTransaction = [checkpoint](QString handle) {
        return checkpoint->rollback(handle);
    };
    services.readAdapters = [bus] { return NetworkManagerReader::readAsync(bus); };
    // Each change reaches exactly the profile the card shows, by its UUID.
    services.setManual = [bus](ServiceTarget target, QString ip, QString mask, QString router,
                               DnsChange dns) {
        return NetworkManagerWriter::setManual(target.id, target.name, ip, mask, router, dns,
                                               bus.address);
    };
    services.setDHCP = [bus](ServiceTarget target, DnsChange dns) {
        return NetworkManagerWriter::setDHCP(target.id, target.name, dns, bus.address);
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
