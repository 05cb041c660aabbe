// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "BlockingPool.h"

#include <QThreadPool>

QThreadPool *BlockingPool::instance()
{
    static QThreadPool *pool = [] {
        // Deliberately never destroyed: a ping still running at exit must not make the
        // application wait for it while static objects are torn down.
        auto *created = new QThreadPool;
        created->setMaxThreadCount(maxThreads);
        created->setObjectName(QStringLiteral("BlockingPool"));
        return created;
    }();
    return pool;
}
