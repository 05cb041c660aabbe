// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "AppModel.h"
#include "Settled.h"

#include <QCoroFuture>
#include <QPointer>

QCoro::Task<AppModel::ReReadResult>
AppModel::reReadUntil(QString id, std::function<bool(const AdapterInfo &)> shows, ReReadPlan plan)
{
    ReReadResult result;
    QPointer<AppModel> self(this);
    for (int attempt = 0; attempt < plan.reads && !result.confirmed; ++attempt) {
        QCoro::Task<> waiting = m_services.wait(plan.wait);
        co_await waiting;
        if (!self)
            co_return result;
        QCoro::Task<std::optional<AdapterRead>> reading = settled(m_services.readAdapters());
        const std::optional<AdapterRead> answer = co_await reading;
        const AdapterRead read = answer.value_or(AdapterRead());
        if (!self)
            co_return result;
        if (!read.adapters.isEmpty())
            result.lastList = read.adapters;
        if (const std::optional<AdapterInfo> seen = findRecord(read.adapters, id)) {
            result.lastSeen = seen;
            result.confirmed = shows(*seen);
        }
    }
    if (!result.confirmed && plan.waitAfterLast) {
        QCoro::Task<> waiting = m_services.wait(plan.wait);
        co_await waiting;
    }
    co_return result;
}
