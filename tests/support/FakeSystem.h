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
    // Waits for a read to be asked: a window starts its first read only once drawn.
    void answerRead(const QList<AdapterInfo> &adapters);
    void answerReadsAtOnce(const QList<AdapterInfo> &all) { m_state->reads.standing = {{all, {}}}; }
    void queueReads(const QList<QList<AdapterInfo>> &reads);
    void queueFailedRead(const QString &failure) { m_state->reads.queued.append({{}, failure}); }

    void answerCommandsWith(const CommandResult &result) { m_state->commands.standing = result; }
    void holdCommands() { m_state->commands.hold = true; }
    void releaseCommand(const CommandResult &result) { m_state->commands.release(result); }
    // The change commands sent, as "operation|arg1|arg2…".
    QStringList commands() const { return m_state->commandLog; }

    QList<std::chrono::milliseconds> waits() const { return m_state->waits; }
    // Read by services(): set it before.
    void setAddressesServicesByName(bool byName) { m_state->byName = byName; }

    // Once they run out, pings fail.
    void queuePings(const QList<PingOutcome> &outcomes) { m_state->pings.queued << outcomes; }
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

struct FakeModel {
    FakeSystem system;
    AppModel model{system.services()};

    void load(const QList<AdapterInfo> &adapters)
    {
        system.queueReads({adapters});
        model.refresh(false);
    }
};

// A connected, enabled Ethernet service with a manual address.
AdapterInfo adapter(const QString &id, const QString &name = {}, const QString &ip = {});
QList<AdapterInfo> adaptersFor(const QStringList &ids);
AdapterCardModel *cardOf(const AppModel &model, const QString &id);
