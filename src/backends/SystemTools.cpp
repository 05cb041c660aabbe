// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "SystemTools.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

SystemTools::SystemTools(QString root)
    : m_root(std::move(root))
{
}

SystemTools SystemTools::native()
{
    return SystemTools();
}

SystemTools SystemTools::simulated()
{
    const QString fromEnvironment = qEnvironmentVariable("BRISVALE_SIM_ROOT");
    if (!fromEnvironment.isEmpty())
        return SystemTools(QDir::cleanPath(fromEnvironment));
    // Never a path of the machine that built it: the build tree keeps the stand-ins beside
    // the executable, an installation below libexec, both found from where it runs.
    const QDir executableFolder(QCoreApplication::instance()
                                    ? QCoreApplication::applicationDirPath()
                                    : QDir::currentPath());
    const QString besideExecutable = executableFolder.filePath(QStringLiteral("sim-root"));
    if (QFileInfo(besideExecutable).isDir())
        return SystemTools(besideExecutable);
    return SystemTools(QDir::cleanPath(
        executableFolder.filePath(QStringLiteral(BRISVALE_SIM_ROOT_FROM_EXECUTABLE))));
}

QString SystemTools::networksetup() const
{
    return m_root + QStringLiteral("/usr/sbin/networksetup");
}

QString SystemTools::osascript() const
{
    return m_root + QStringLiteral("/usr/bin/osascript");
}

QString SystemTools::ifconfig() const
{
    return m_root + QStringLiteral("/sbin/ifconfig");
}

QString SystemTools::ping() const
{
    return m_root + QStringLiteral("/sbin/ping");
}
