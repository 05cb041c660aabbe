// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "Profile.h"
#include "SystemServices.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <qcorotask.h>

// How a profile's apply ended.
enum class ProfileResult {
    // Every entry was sent and a read showed it.
    applied,
    // Nothing was sent: a service was not found, the read failed, or the system refused to begin.
    notStarted,
    // Not applied, and a read showed every touched service back as it was.
    restored,
    // Not applied, and the restore was not seen whole: the outcome says what is left.
    restoreFailed,
};

struct ProfileOutcome {
    ProfileResult result = ProfileResult::notStarted;
    // The status line's sentence, in French.
    QString message;
    // One line per entry, « Ethernet : appliqué et vérifié » and the like, for the command line.
    QStringList lines;
    // The last successful read, for the cards; empty when none succeeded.
    QList<AdapterInfo> lastList;
    // The ids of the services a read showed as the profile wants them.
    QStringList confirmedIds;
};

// Applies the profile all or nothing: finds every service, keeps a snapshot of each, begins the
// system's transaction, sends the entries in order, verifies them by reading again, and on any
// failure rolls back and restores from the snapshot, verifying that too.
QCoro::Task<ProfileOutcome> applyProfile(SystemServices services, Profile profile);
