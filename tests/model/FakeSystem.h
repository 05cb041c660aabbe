#pragma once

#include "model/SystemServices.h"

#include <QPromise>

#include <chrono>
#include <deque>
#include <memory>

// A system that answers when the test says so. Each read stays pending until answerRead();
// every wait returns at once and is only recorded.
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

    QList<std::chrono::milliseconds> waits() const { return m_state->waits; }

private:
    struct State {
        int readsStarted = 0;
        std::deque<QPromise<QList<AdapterInfo>>> pendingReads;
        std::optional<QList<AdapterInfo>> immediateAnswer;
        QList<std::chrono::milliseconds> waits;
    };
    std::shared_ptr<State> m_state;
};

// A record for tests: a connected, enabled Ethernet service with a manual address.
AdapterInfo adapter(const QString &id, const QString &name = {}, const QString &ip = {});
