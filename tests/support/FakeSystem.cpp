// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "support/FakeSystem.h"

#include <QTest>

SystemServices FakeSystem::services() const
{
    const std::shared_ptr<State> state = m_state;
    const auto command = [state](const QStringList &words) {
        state->commandLog << words.join(u'|');
        return state->commands.next();
    };
    SystemServices services;
    services.readAdapters = [state] {
        ++state->readsStarted;
        return state->reads.next();
    };
    // A DNS change, when there is one, as a last word: "dns=" and the servers, comma-separated.
    const auto dnsWord = [](const DnsChange &dns) {
        return dns ? QStringList{"dns=" + dns->join(u',')} : QStringList();
    };
    services.setManual = [command, dnsWord](ServiceTarget service, QString ip, QString mask,
                                            QString router, DnsChange dns) {
        return command(QStringList{"setManual", service.name, ip, mask, router} + dnsWord(dns));
    };
    services.setDHCP = [command, dnsWord](ServiceTarget service, DnsChange dns) {
        return command(QStringList{"setDHCP", service.name} + dnsWord(dns));
    };
    services.setServiceEnabled = [command](ServiceTarget service, bool enabled) {
        return command({"setServiceEnabled", service.name, enabled ? "on" : "off"});
    };
    services.ping = [state](QString address, QString device, int count) {
        state->pingLog << QStringList{address, device, QString::number(count)}.join(u'|');
        return state->pings.next();
    };
    services.addressesServicesByName = state->byName;
    // Eager: the body has run before the caller first suspends.
    services.wait = [state](std::chrono::milliseconds delay) -> QCoro::Task<> {
        state->waits.append(delay);
        co_return;
    };
    return services;
}

void FakeSystem::answerRead(const QList<AdapterInfo> &adapters)
{
    if (!QTest::qWaitFor([this] { return !m_state->reads.held.empty(); }, 5000))
        qWarning("FakeSystem: no read to answer");
    else
        m_state->reads.release(AdapterRead{adapters, {}});
}

void FakeSystem::queueReads(const QList<QList<AdapterInfo>> &reads)
{
    for (const QList<AdapterInfo> &read : reads)
        m_state->reads.queued.append(AdapterRead{read, {}});
}

AdapterInfo adapter(const QString &id, const QString &name, const QString &ip)
{
    const QString shown = name.isEmpty() ? id : name, address = ip.isEmpty() ? "192.168.1.20" : ip;
    return {id,   shown, "en0",   "Ethernet",      AdapterKind::ethernet, true,
            true, false, address, "255.255.255.0", "192.168.1.1"};
}

QList<AdapterInfo> adaptersFor(const QStringList &ids)
{
    QList<AdapterInfo> list;
    for (const QString &id : ids)
        list << adapter(id);
    return list;
}

AdapterCardModel *cardOf(const AppModel &model, const QString &id)
{
    for (AdapterCardModel *card : model.cards())
        if (card->id() == id)
            return card;
    return nullptr;
}
