#include "adapters/AdapterInfo.h"

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
