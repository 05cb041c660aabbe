// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "FrameTrace.h"

#include <QQuickItem>
#include <QQuickWindow>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>

void traceFrames(QQuickWindow *window)
{
    if (qEnvironmentVariableIsEmpty("BRISVALE_TRACE_FRAMES"))
        return;
    const auto now = [] {
        return static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
    };
    // 0: no card shown yet; 1: the frame being made shows one; 2: reported.
    auto cards = std::make_shared<std::atomic<int>>(0);
    // Between polish and sync, on the main thread: which frame first shows a card.
    QObject::connect(window, &QQuickWindow::afterAnimating, window, [window, cards] {
        if (cards->load() != 0)
            return;
        auto *list = window->findChild<QQuickItem *>(QStringLiteral("cardList"));
        QQuickItem *first = nullptr;
        if (list &&
            QMetaObject::invokeMethod(list, "itemAtIndex", Q_RETURN_ARG(QQuickItem *, first),
                                      Q_ARG(int, 0)) &&
            first) {
            for (const QQuickItem *item = first; item; item = item->parentItem())
                if (!item->isVisible() || item->opacity() <= 0 || item->height() <= 0)
                    return;
            cards->store(1);
        }
    });
    // Possibly on the render thread: only print.
    QObject::connect(
        window, &QQuickWindow::frameSwapped, window,
        [cards, now] {
            const long long at = now();
            std::printf("frame %lld\n", at);
            int expected = 1;
            if (cards->compare_exchange_strong(expected, 2))
                std::printf("cards %lld\n", at);
            std::fflush(stdout);
        },
        Qt::DirectConnection);
}
