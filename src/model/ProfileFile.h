// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "Profile.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// The profiles file: one JSON document, its format's name and version at the top, the profiles
// in the user's order. The same format carries an export. Blocking file work: run it on a pool
// thread, never on the main one.
namespace ProfileFile {

inline constexpr auto formatName = "brisvale-profiles";
inline constexpr int formatVersion = 1;
// A larger file is refused unread: no one keeps that many profiles.
inline constexpr qint64 maximumSize = 4 * 1024 * 1024;

struct Read {
    QList<Profile> profiles;
    // Empty when the text was read; otherwise a French sentence that says what is wrong, and
    // the profiles are empty.
    QString problem;

    bool failed() const { return !problem.isEmpty(); }
};

// Reads a file's text; a text that is not a whole, valid file of this format or an older one
// is refused as a whole, with the first fault found named.
Read parse(const QByteArray &text);
QByteArray serialize(const QList<Profile> &profiles);

// The file at that path; a missing file is an empty list, not a problem.
Read load(const QString &path);
// Writes the file whole or not at all, the previous one kept as backupPath(path); a French
// sentence when it could not, the file then as it was.
std::optional<QString> save(const QString &path, const QList<Profile> &profiles);
// Where the previous version of the file at that path is kept.
QString backupPath(const QString &path);

} // namespace ProfileFile
