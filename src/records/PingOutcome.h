// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include <QMetaType>
#include <QString>

// What one ping run amounted to: whether a reply came back, one French line for the user, and
// the text that line was taken from.
struct PingOutcome {
    bool success = false;
    QString detail;
    QString raw;

    friend bool operator==(const PingOutcome &, const PingOutcome &) = default;
};

Q_DECLARE_METATYPE(PingOutcome)
