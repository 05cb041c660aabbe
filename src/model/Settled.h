// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include <QCoroFuture>
#include <QFuture>
#include <qcorotask.h>

#include <optional>

// The result of a future once it has finished, or none when it ended without one: a system
// that drops its promise cancels the future, and reading a result that is not there would
// crash. Callers turn none into their own failure.
template<typename T> QCoro::Task<std::optional<T>> settled(QFuture<T> future)
{
    QFuture<void> finished(future);
    co_await finished;
    if (future.isCanceled() || future.resultCount() == 0)
        co_return std::nullopt;
    co_return future.result();
}
