// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "ProfileMatching.h"

#include "ChangeMessages.h"

#include <QSet>

namespace {

QString quoted(const QString &name)
{
    return QStringLiteral("« ") + name + QStringLiteral(" »");
}

// The services one entry could mean: its id when a service still has it, else its name with
// its device or hardware, else its name alone. Several are returned when the last step that
// found any found more than one.
QList<AdapterInfo> candidates(const ProfileEntry &entry, const QList<AdapterInfo> &services)
{
    if (!entry.serviceId.isEmpty()) {
        for (const AdapterInfo &info : services) {
            if (info.id == entry.serviceId)
                return {info};
        }
    }
    if (entry.serviceName.isEmpty())
        return {};
    QList<AdapterInfo> named, placed;
    for (const AdapterInfo &info : services) {
        if (info.serviceName != entry.serviceName)
            continue;
        named << info;
        if ((!entry.device.isEmpty() && info.device == entry.device) ||
            (!entry.hardware.isEmpty() && info.hardwareName == entry.hardware))
            placed << info;
    }
    return placed.isEmpty() ? named : placed;
}

QString devicesOf(const QList<AdapterInfo> &services)
{
    QStringList devices;
    for (const AdapterInfo &info : services)
        devices << (info.device.isEmpty() ? info.hardwareName : info.device);
    return devices.join(QStringLiteral(", "));
}

} // namespace

std::optional<AdapterInfo> ProfileMatching::service(const ProfileEntry &entry,
                                                    const QList<AdapterInfo> &services)
{
    const QList<AdapterInfo> found = candidates(entry, services);
    if (found.size() != 1)
        return std::nullopt;
    return found.first();
}

ProfileMatching::Found ProfileMatching::find(const Profile &profile,
                                             const QList<AdapterInfo> &services, bool byName)
{
    Found result;
    QSet<QString> taken;
    for (const ProfileEntry &entry : profile.entries) {
        const QString name =
            quoted(entry.serviceName.isEmpty() ? entry.serviceId : entry.serviceName);
        const QList<AdapterInfo> found = candidates(entry, services);
        if (found.isEmpty())
            return {{},
                    QStringLiteral("le service ") + name +
                        QStringLiteral(" est introuvable sur cette machine.")};
        if (found.size() > 1)
            return {{},
                    QStringLiteral("le service ") + name +
                        QStringLiteral(" désigne plusieurs services de cette machine (") +
                        devicesOf(found) + QStringLiteral(").")};
        const AdapterInfo &info = found.first();
        if (taken.contains(info.id))
            return {{},
                    QStringLiteral("deux entrées du profil désignent le service ") +
                        quoted(info.serviceName) + u'.'};
        if (byName && std::count_if(services.cbegin(), services.cend(), [&info](const auto &s) {
                          return s.serviceName == info.serviceName;
                      }) > 1)
            return {{}, ChangeMessages::sharedNameRefusal(info.serviceName)};
        taken.insert(info.id);
        result.services << info;
    }
    return result;
}

bool ProfileMatching::isActive(const Profile &profile, const QList<AdapterInfo> &services)
{
    return !profile.entries.isEmpty() &&
           std::all_of(profile.entries.cbegin(), profile.entries.cend(),
                       [&services](const ProfileEntry &entry) {
                           const std::optional<AdapterInfo> found = service(entry, services);
                           return found && entry.shownBy(*found);
                       });
}
