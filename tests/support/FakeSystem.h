// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "AppModel.h"
#include "SystemServices.h"

#include <QPromise>

#include <chrono>
#include <deque>
#include <memory>

// A system that answers when the test says so. A read nobody queued an answer for stays pending
// until answerRead(); every wait returns at once and is only recorded.
class FakeSystem {
public:
    SystemServices services() const;

    int readsStarted() const { return m_state->readsStarted; }
    // Completes the oldest pending read with that list, once one is asked: a window starts its
    // first read only once drawn.
    void answerRead(const QList<AdapterInfo> &adapters);
    // From now on every read is answered at once with that list.
    void answerReadsAtOnce(const QList<AdapterInfo> &adapters)
    {
        m_state->reads.standing = AdapterRead{adapters, {}};
    }
    // Reads answered at once, in this order, before any other answer is considered.
    void queueReads(const QList<QList<AdapterInfo>> &reads);
    // A read answered at once as failed, for that reason, queued like the others.
    void queueFailedRead(const QString &failure) { m_state->reads.queued.append({{}, failure}); }

    // Every change command answers with this result (status 0 and nothing printed at first).
    void answerCommandsWith(const CommandResult &result) { m_state->commands.standing = result; }
    // From now on change commands stay pending until releaseCommand().
    void holdCommands() { m_state->commands.hold = true; }
    void releaseCommand(const CommandResult &result) { m_state->commands.release(result); }
    // The change commands sent, as "operation|arg1|arg2…".
    QStringList commands() const { return m_state->commandLog; }

    QList<std::chrono::milliseconds> waits() const { return m_state->waits; }
    // Whether changes reach their service by name (they do by default); read by services().
    void setAddressesServicesByName(bool byName) { m_state->byName = byName; }

    // Pings answered at once with these outcomes, in order; a failure once they run out.
    void queuePings(const QList<PingOutcome> &outcomes) { m_state->pings.queued << outcomes; }
    // From now on pings stay pending until releasePing().
    void holdPings() { m_state->pings.hold = true; }
    void releasePing(const PingOutcome &outcome) { m_state->pings.release(outcome); }
    // The pings sent, as "address|device|count".
    QStringList pings() const { return m_state->pingLog; }

private:
    // Answers to one kind of request: the queued ones first, then the standing one; without
    // either, or while held, a request stays pending until release().
    template<typename T> struct Answers {
        QList<T> queued;
        std::optional<T> standing;
        bool hold = false;
        std::deque<QPromise<T>> held;

        QFuture<T> next()
        {
            if (!hold && !queued.isEmpty())
                return QtFuture::makeReadyFuture(queued.takeFirst());
            if (!hold && standing)
                return QtFuture::makeReadyFuture(*standing);
            QPromise<T> &promise = held.emplace_back();
            promise.start();
            return promise.future();
        }
        void release(const T &value)
        {
            QPromise<T> promise = std::move(held.front());
            held.pop_front();
            promise.addResult(value);
            promise.finish();
        }
    };

    struct State {
        Answers<AdapterRead> reads;
        Answers<CommandResult> commands{.standing = CommandResult()};
        Answers<PingOutcome> pings{.standing = PingOutcome{false, "aucune réponse", {}}};
        int readsStarted = 0;
        QStringList commandLog, pingLog;
        QList<std::chrono::milliseconds> waits;
        bool byName = true;
    };
    std::shared_ptr<State> m_state = std::make_shared<State>();
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
