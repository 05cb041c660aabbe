// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "AppInfo.h"

#include <QDate>
#include <QQmlEngine>
#include <QUrl>

AppInfo::AppInfo(QObject *parent)
    : QObject(parent)
{
}

AppInfo *AppInfo::instance()
{
    static AppInfo *info = new AppInfo;
    return info;
}

AppInfo *AppInfo::create(QQmlEngine *, QJSEngine *)
{
    AppInfo *info = instance();
    QJSEngine::setObjectOwnership(info, QJSEngine::CppOwnership);
    return info;
}

QString AppInfo::makerName()
{
    return QStringLiteral(BRISVALE_MAKER_NAME);
}

QString AppInfo::websiteURL()
{
    return QStringLiteral(BRISVALE_WEBSITE_URL);
}

QString AppInfo::websiteLabel()
{
    return domainOf(websiteURL());
}

QString AppInfo::donationURL()
{
    return QStringLiteral(BRISVALE_DONATION_URL);
}

QString AppInfo::version()
{
    return QStringLiteral(BRISVALE_VERSION);
}

void AppInfo::setSimulated(bool simulated)
{
    if (m_simulated == simulated)
        return;
    m_simulated = simulated;
    emit simulatedChanged();
}

void AppInfo::setMachinePath(const QString &path)
{
    if (m_machinePath == path)
        return;
    m_machinePath = path;
    emit simulatedChanged();
}

void AppInfo::setSimulationCause(const QString &cause)
{
    if (m_simulationCause == cause)
        return;
    m_simulationCause = cause;
    emit simulatedChanged();
}

void AppInfo::setRealSystem(const QString &name, const QString &version)
{
    if (m_systemName == name && m_systemVersion == version)
        return;
    m_systemName = name;
    m_systemVersion = version;
    emit simulatedChanged();
}

QString AppInfo::rightsLine() const
{
    return rightsLine(QDate::currentDate().year(), makerName());
}

QString AppInfo::rightsLine(int year, const QString &maker)
{
    return QStringLiteral("© %1 %2. Tous droits réservés.").arg(year).arg(maker);
}

QString AppInfo::domainOf(const QString &url)
{
    QString host = QUrl(url).host();
    if (host.startsWith(QLatin1String("www.")))
        host.remove(0, 4);
    // An address given without a scheme has no host; show it as typed.
    return host.isEmpty() ? url : host;
}
