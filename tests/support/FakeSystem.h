// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "AppModel.h"
#include "SystemServices.h"

#include <QPromise>

#include <chrono>
#include <deque>
#include <memory>

// A system that answers when the test says so. Each read stays pending until answerRead(), which
// first waits a few seconds for one to be asked; every wait returns at once and is only recorded.
class FakeSystem {
public:
    FakeSystem();

    SystemServices services() const;

    int readsStarted() const { return m_state->readsStarted; }
    int readsPending() const { return int(m_state->pendingReads.size()); }
    // Completes the oldest pending read with that list.
    void answerRead(const QList<AdapterInfo> &adapters);
    // From now on every read is answered at once with that list.
    void answerReadsAtOnce(const QList<AdapterInfo> &adapters);

    // Reads answered at once, in this order, before any other answer is considered.
    void queueReads(const QList<QList<AdapterInfo>> &reads);
    // A read answered at once as failed, for that reason, queued like the others.
    void queueFailedRead(const QString &failure);

    // Every change command answers with this result (status 0 and nothing printed at first).
    void answerCommandsWith(const CommandResult &result);
    // From now on change commands stay pending until releaseCommand().
    void holdCommands() { m_state->holdCommands = true; }
    void releaseCommand(const CommandResult &result);
    // The change commands sent, as "operation arg1 arg2 …" joined with "|".
    QStringList commands() const { return m_state->commands; }

    QList<std::chrono::milliseconds> waits() const { return m_state->waits; }

    // Whether changes reach their service by name (they do by default).
    void setAddressesServicesByName(bool byName) { m_state->byName = byName; }

    // Pings answered at once with these outcomes, in order; a failure once they run out.
    void queuePings(const QList<PingOutcome> &outcomes);
    // From now on pings stay pending for ever.
    void holdPings() { m_state->holdPings = true; }
    // Answers the oldest held ping.
    void releasePing(const PingOutcome &outcome);
    // The pings sent, as "address|device|count".
    QStringList pings() const { return m_state->pings; }

private:
    struct State;
    static QFuture<CommandResult> commandAnswer(const std::shared_ptr<State> &state,
                                                const QStringList &command);

    struct State {
        int readsStarted = 0;
        std::deque<QPromise<AdapterRead>> pendingReads;
        std::optional<QList<AdapterInfo>> immediateAnswer;
        std::deque<AdapterRead> queuedReads;
        CommandResult commandResult;
        QStringList commands;
        bool holdCommands = false;
        std::deque<QPromise<CommandResult>> pendingCommands;
        std::deque<PingOutcome> queuedPings;
        QStringList pings;
        bool holdPings = false;
        std::deque<QPromise<PingOutcome>> pendingPings;
        QList<std::chrono::milliseconds> waits;
        bool byName = true;
    };
    std::shared_ptr<State> m_state;
};

// The model of a flow test over its fake system; load() has it read those services once, as the
// automatic refresh at start-up does.
struct FakeModel {
    FakeSystem system;
    AppModel model{system.services()};

    void load(const QList<AdapterInfo> &adapters)
    {
        system.queueReads({adapters});
        model.refresh(false);
    }
};

// A record for tests: a connected, enabled Ethernet service with a manual address.
AdapterInfo adapter(const QString &id, const QString &name = {}, const QString &ip = {});
// One such record per identifier, in that order.
QList<AdapterInfo> adaptersFor(const QStringList &ids);
// The model's card for that service, or null.
AdapterCardModel *cardOf(const AppModel &model, const QString &id);
