// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "Profile.h"

#include "IPv4.h"

ProfileEntry ProfileEntry::fromRecord(const AdapterInfo &info)
{
    ProfileEntry entry;
    entry.serviceId = info.id;
    entry.serviceName = info.serviceName;
    entry.device = info.device;
    entry.hardware = info.hardwareName;
    entry.enabled = info.enabled;
    entry.dhcp = info.dhcp;
    // A DHCP lease is the network's, not the service's: only a fixed address is kept.
    if (!info.dhcp) {
        entry.ip = IPv4::canonical(info.ip).value_or(info.ip);
        entry.mask = IPv4::canonical(info.mask).value_or(info.mask);
        entry.router = IPv4::isNoRouter(info.router)
                           ? QString()
                           : IPv4::canonical(info.router).value_or(info.router);
    }
    for (const QString &server : info.dnsServers)
        entry.dnsServers << IPv4::canonical(server).value_or(server);
    return entry;
}

QString ProfileEntry::summary() const
{
    QString line = serviceName + QStringLiteral(" : ");
    if (!enabled)
        return line + QStringLiteral("désactivée");
    if (dhcp)
        line += QStringLiteral("DHCP");
    else {
        line += ip + QStringLiteral(" / ") + mask;
        if (!router.isEmpty())
            line += QStringLiteral(" → ") + router;
    }
    if (!dnsServers.isEmpty())
        line += QStringLiteral(" ; DNS ") + dnsServers.join(QStringLiteral(", "));
    return line;
}

bool ProfileEntry::shownBy(const AdapterInfo &info) const
{
    if (info.enabled != enabled)
        return false;
    if (!enabled)
        return true;
    return Shown::dns(info, dnsServers) && Shown::addressing(info, dhcp, ip, mask, router);
}

bool Shown::dns(const AdapterInfo &info, const QStringList &servers)
{
    // In order: a resolver asks the first server first.
    QStringList shown;
    for (const QString &server : info.dnsServers)
        shown << IPv4::canonical(server).value_or(server);
    return shown == servers;
}

bool Shown::addressing(const AdapterInfo &info, bool dhcp, const QString &ip, const QString &mask,
                       const QString &router)
{
    if (dhcp)
        return info.dhcp;
    // What is saved must also be what the device runs.
    if (info.dhcp || !info.inEffect || IPv4::canonical(info.ip) != IPv4::canonical(ip) ||
        IPv4::canonical(info.mask) != IPv4::canonical(mask))
        return false;
    // Asking for no router is confirmed only when the system keeps none.
    if (router.isEmpty())
        return IPv4::isNoRouter(info.router);
    return IPv4::canonical(info.router) == IPv4::canonical(router);
}

bool sameProfileName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}
