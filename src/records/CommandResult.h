// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include <QMetaType>
#include <QString>

// Why a change was not made, as the backend that tried it knows it; the model words it in
// French. A backend classifies its own failures where it reads them, so that nothing has to
// guess the cause from a text later, least of all from one that quotes a service's name.
enum class ChangeCause {
    // A plain program run, or a success.
    unclassified,
    // The policy, or a wrong administrator password, said no.
    refused,
    // The person dismissed the administrator prompt.
    cancelled,
    // The system's service did not answer in time.
    timedOut,
    // The system's service is not there, or left while the change was under way.
    serviceGone,
    // The request was refused as malformed before anything was changed.
    invalid,
    // Anything else; the result's text says what.
    failed,
};

// What one external program left behind: its exit status and both of its streams as text.
struct CommandResult {
    // 0 means success to every caller; -1 means the program could not be launched.
    int status = 0;
    QString output;
    QString error;
    // The program was stopped at its time limit; status is then -1.
    bool timedOut = false;
    // Set by the backends' change calls when status is not 0.
    ChangeCause cause = ChangeCause::unclassified;
    // The request reached the system before the failure, so the change may have been made: only a
    // read can tell.
    bool maybeApplied = false;

    // Standard error first, then standard output, for callers that show or search a message
    // without caring which stream carried it.
    QString combined() const;

    friend bool operator==(const CommandResult &, const CommandResult &) = default;
};

Q_DECLARE_METATYPE(CommandResult)
