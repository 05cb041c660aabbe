// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "AdapterInfo.h"

#include <QList>
#include <QString>

// One read of the system: the services in display order, or why the read failed. An empty
// list with no failure is a system that has no switchable service.
struct AdapterRead {
    QList<AdapterInfo> adapters;
    // A French sentence naming the cause, for the status line; empty when the read succeeded.
    QString failure;

    bool failed() const { return !failure.isEmpty(); }
};
