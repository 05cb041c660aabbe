// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "adapters/AdapterInfo.h"

#include <QCollator>

#include <algorithm>

QString AdapterInfo::summaryText() const
{
    if (!enabled)
        return QStringLiteral("carte désactivée");
    if (ip.isEmpty())
        return dhcp ? QStringLiteral("DHCP actif, aucune adresse")
                    : QStringLiteral("adresse fixe, aucune adresse");
    if (dhcp)
        return QStringLiteral("DHCP actif, ") + ip;
    return QStringLiteral("adresse fixe ") + ip + u'/' + mask;
}

QString AdapterInfo::metaLabel() const
{
    if (device.isEmpty())
        return hardwareName;
    return hardwareName + QStringLiteral(" — ") + device;
}

QString AdapterInfo::otherAddressesLabel() const
{
    if (otherAddresses.isEmpty())
        return {};
    return QStringLiteral("+%1 adresse%2")
        .arg(otherAddresses.size())
        .arg(otherAddresses.size() > 1 ? QStringLiteral("s") : QString());
}

void sortForDisplay(QList<AdapterInfo> &adapters)
{
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(adapters.begin(), adapters.end(),
                     [&collator](const AdapterInfo &a, const AdapterInfo &b) {
                         if (a.connected != b.connected)
                             return a.connected;
                         if (a.enabled != b.enabled)
                             return a.enabled;
                         return collator.compare(a.serviceName, b.serviceName) < 0;
                     });
}
