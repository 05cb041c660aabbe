// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "Profile.h"

#include <QList>
#include <QString>
#include <QStringList>

// What an import would do to the profiles kept, shown before anything changes.
namespace ProfileImport {

// How an imported profile whose name is already kept is taken in.
enum class OnSameName { replace, keepBoth };

struct Preview {
    // The imported names that are new here, in the file's order.
    QStringList added;
    // The imported names that a kept profile already has (compared without case).
    QStringList clashing;
};

Preview preview(const QList<Profile> &kept, const QList<Profile> &imported);

// The kept profiles with the imported ones taken in: a new name is appended; a clashing one
// replaces the kept profile in its place, or is appended renamed « Nom (2) » (the first free
// number).
QList<Profile> merged(QList<Profile> kept, const QList<Profile> &imported, OnSameName onSameName);

// « Nom (2) », « Nom (3) »…: the first name of that shape no kept profile has.
QString freeName(const QString &name, const QList<Profile> &kept);

} // namespace ProfileImport
