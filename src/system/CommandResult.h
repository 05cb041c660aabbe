// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include <QMetaType>
#include <QString>

// What one external program left behind: its exit status and both of its streams as text.
struct CommandResult {
    // 0 means success to every caller; -1 means the program could not be launched.
    int status = 0;
    QString output;
    QString error;
    // The program was stopped at its time limit; status is then -1.
    bool timedOut = false;

    // Standard error first, then standard output, for callers that show or search a message
    // without caring which stream carried it.
    QString combined() const;

    friend bool operator==(const CommandResult &, const CommandResult &) = default;
};

Q_DECLARE_METATYPE(CommandResult)
