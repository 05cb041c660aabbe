// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "AdapterInfo.h"

#include "IPv4.h"

#include <QCollator>
#include <QSet>

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

QString AdapterInfo::metaToolTip() const
{
    if (otherAddresses.isEmpty())
        return metaLabel();
    QStringList all;
    if (!ip.isEmpty())
        all << IPv4::withPrefix(ip, mask);
    all << otherAddresses;
    return metaLabel() + QStringLiteral(" — adresses : ") + all.join(QStringLiteral(", "));
}

QString AdapterInfo::isolatedName() const
{
    // Only right-to-left text or a direction control can reach past the name. Any other name is
    // left as it is: a font without the isolate marks (DejaVu Sans) has Qt take them from one
    // that has them, and that font's taller line would move the text.
    const QList<uint> codePoints = serviceName.toUcs4();
    const bool directional = std::any_of(codePoints.cbegin(), codePoints.cend(), [](uint c) {
        switch (QChar::direction(char32_t(c))) {
        case QChar::DirR:
        case QChar::DirAL:
        case QChar::DirAN:
        case QChar::DirLRE:
        case QChar::DirLRO:
        case QChar::DirRLE:
        case QChar::DirRLO:
        case QChar::DirPDF:
        case QChar::DirLRI:
        case QChar::DirRLI:
        case QChar::DirFSI:
        case QChar::DirPDI:
            return true;
        default:
            return false;
        }
    });
    return directional ? QChar(0x2068) + serviceName + QChar(0x2069) : serviceName;
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

void makeIDsUnique(QList<AdapterInfo> &adapters)
{
    QSet<QString> taken;
    for (const AdapterInfo &adapter : std::as_const(adapters))
        taken.insert(adapter.id);
    QSet<QString> seen;
    for (AdapterInfo &adapter : adapters) {
        if (!seen.contains(adapter.id)) {
            seen.insert(adapter.id);
            continue;
        }
        // Derived from what tells the services apart, so the next read gives the same id and
        // the card keeps its draft; a counter only if even that is shared.
        const QString base = adapter.id + QStringLiteral("@") + adapter.device;
        QString candidate = base;
        for (int n = 2; taken.contains(candidate) || seen.contains(candidate); ++n)
            candidate = base + u'#' + QString::number(n);
        adapter.id = candidate;
        seen.insert(candidate);
    }
}
