// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "ProfileImport.h"

#include <algorithm>

namespace {

qsizetype indexOf(const QList<Profile> &profiles, const QString &name)
{
    const auto found = std::find_if(profiles.cbegin(), profiles.cend(), [&](const Profile &p) {
        return sameProfileName(p.name, name);
    });
    return found == profiles.cend() ? -1 : found - profiles.cbegin();
}

} // namespace

namespace ProfileImport {

Preview preview(const QList<Profile> &kept, const QList<Profile> &imported)
{
    Preview preview;
    for (const Profile &profile : imported)
        (indexOf(kept, profile.name) < 0 ? preview.added : preview.clashing) << profile.name;
    return preview;
}

QList<Profile> merged(QList<Profile> kept, const QList<Profile> &imported, OnSameName onSameName)
{
    for (const Profile &profile : imported) {
        const qsizetype same = indexOf(kept, profile.name);
        if (same < 0) {
            kept << profile;
        } else if (onSameName == OnSameName::replace) {
            kept[same] = profile;
        } else {
            // A name the import brings later must stay free, or the preview's « new » one
            // would clash with a renamed copy.
            Profile renamed = profile;
            renamed.name = freeName(profile.name, kept + imported);
            kept << renamed;
        }
    }
    return kept;
}

QString freeName(const QString &name, const QList<Profile> &kept)
{
    for (int number = 2;; ++number) {
        const QString candidate = name + QStringLiteral(" (") + QString::number(number) + u')';
        if (indexOf(kept, candidate) < 0)
            return candidate;
    }
}

} // namespace ProfileImport
