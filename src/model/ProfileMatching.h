// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "Profile.h"

#include <QList>
#include <QString>

#include <optional>

// Finds the services a profile's entries are meant for in one read: by id, else by name with
// device or hardware, else by name alone. A profile is applied only when every entry finds
// exactly one service of its own.
namespace ProfileMatching {

struct Found {
    // The entries' services, in the profile's order, when every one was found.
    QList<AdapterInfo> services;
    // Otherwise, in French, the entry that found none or several.
    QString problem;

    bool failed() const { return !problem.isEmpty(); }
};

// byName: the system changes a service by name, so a service whose name another one shares
// cannot be reached.
Found find(const Profile &profile, const QList<AdapterInfo> &services, bool byName);
// The service one entry finds, if exactly one.
std::optional<AdapterInfo> service(const ProfileEntry &entry, const QList<AdapterInfo> &services);

// Whether the read shows the profile in place: every entry finds its service, in exactly the
// state the entry wants.
bool isActive(const Profile &profile, const QList<AdapterInfo> &services);

} // namespace ProfileMatching
