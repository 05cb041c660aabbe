// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "support/FakeSystem.h"

#include <QFuture>
#include <QTest>

namespace {

QCoro::Task<> finished()
{
    co_return;
}

// A future that the test settles later, through settleOldest().
template<typename T> QFuture<T> pendingIn(std::deque<QPromise<T>> &pending)
{
    QPromise<T> &promise = pending.emplace_back();
    promise.start();
    return promise.future();
}

template<typename T> void settleOldest(std::deque<QPromise<T>> &pending, const T &value)
{
    Q_ASSERT(!pending.empty());
    QPromise<T> promise = std::move(pending.front());
    pending.pop_front();
    promise.addResult(value);
    promise.finish();
}

QFuture<AdapterRead> readyRead(const AdapterRead &read)
{
    QPromise<AdapterRead> promise;
    promise.start();
    promise.addResult(read);
    promise.finish();
    return promise.future();
}

} // namespace

FakeSystem::FakeSystem()
    : m_state(std::make_shared<State>())
{
}

SystemServices FakeSystem::services() const
{
    SystemServices services;
    services.readAdapters = [state = m_state] {
        ++state->readsStarted;
        if (!state->queuedReads.empty()) {
            const AdapterRead answer = state->queuedReads.front();
            state->queuedReads.pop_front();
            return readyRead(answer);
        }
        if (state->immediateAnswer)
            return readyRead(AdapterRead{*state->immediateAnswer, {}});
        return pendingIn(state->pendingReads);
    };
    services.setManual = [state = m_state](ServiceTarget service, QString ip, QString mask,
                                           QString router) {
        return commandAnswer(state, {"setManual", service.name, ip, mask, router});
    };
    services.setDHCP = [state = m_state](ServiceTarget service) {
        return commandAnswer(state, {"setDHCP", service.name});
    };
    services.setServiceEnabled = [state = m_state](ServiceTarget service, bool enabled) {
        return commandAnswer(state, {"setServiceEnabled", service.name, enabled ? "on" : "off"});
    };
    services.ping = [state = m_state](QString address, QString device, int count) {
        state->pings << QStringList{address, device, QString::number(count)}.join(u'|');
        if (state->holdPings)
            return pendingIn(state->pendingPings);
        PingOutcome outcome{.success = false, .detail = "aucune réponse", .raw = {}};
        if (!state->queuedPings.empty()) {
            outcome = state->queuedPings.front();
            state->queuedPings.pop_front();
        }
        return QtFuture::makeReadyFuture(outcome);
    };
    services.addressesServicesByName = m_state->byName;
    services.wait = [state = m_state](std::chrono::milliseconds delay) {
        state->waits.append(delay);
        return finished();
    };
    return services;
}

void FakeSystem::answerRead(const QList<AdapterInfo> &adapters)
{
    // A window starts its first read only once drawn: give it the time to ask.
    if (!QTest::qWaitFor([this] { return !m_state->pendingReads.empty(); }, 5000)) {
        qWarning("FakeSystem: no read to answer");
        return;
    }
    settleOldest(m_state->pendingReads, AdapterRead{adapters, {}});
}

QFuture<CommandResult> FakeSystem::commandAnswer(const std::shared_ptr<State> &state,
                                                 const QStringList &command)
{
    state->commands << command.join(u'|');
    if (!state->holdCommands)
        return QtFuture::makeReadyFuture(state->commandResult);
    return pendingIn(state->pendingCommands);
}

void FakeSystem::releaseCommand(const CommandResult &result)
{
    settleOldest(m_state->pendingCommands, result);
}

void FakeSystem::queueReads(const QList<QList<AdapterInfo>> &reads)
{
    for (const QList<AdapterInfo> &read : reads)
        m_state->queuedReads.push_back(AdapterRead{read, {}});
}

void FakeSystem::queueFailedRead(const QString &failure)
{
    m_state->queuedReads.push_back(AdapterRead{{}, failure});
}

void FakeSystem::releasePing(const PingOutcome &outcome)
{
    settleOldest(m_state->pendingPings, outcome);
}

void FakeSystem::queuePings(const QList<PingOutcome> &outcomes)
{
    for (const PingOutcome &outcome : outcomes)
        m_state->queuedPings.push_back(outcome);
}

void FakeSystem::answerCommandsWith(const CommandResult &result)
{
    m_state->commandResult = result;
}

void FakeSystem::answerReadsAtOnce(const QList<AdapterInfo> &adapters)
{
    m_state->immediateAnswer = adapters;
}

AdapterInfo adapter(const QString &id, const QString &name, const QString &ip)
{
    AdapterInfo info;
    info.id = id;
    info.serviceName = name.isEmpty() ? id : name;
    info.device = QStringLiteral("en0");
    info.hardwareName = QStringLiteral("Ethernet");
    info.kind = AdapterKind::ethernet;
    info.enabled = true;
    info.connected = true;
    info.ip = ip.isEmpty() ? QStringLiteral("192.168.1.20") : ip;
    info.mask = QStringLiteral("255.255.255.0");
    info.router = QStringLiteral("192.168.1.1");
    return info;
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
    for (AdapterCardModel *card : model.cards()) {
        if (card->id() == id)
            return card;
    }
    return nullptr;
}
