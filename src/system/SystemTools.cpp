#include "system/SystemTools.h"

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
    if (QCoreApplication::instance()) {
        const QString besideExecutable = QCoreApplication::applicationDirPath() + "/sim-root";
        if (QFileInfo(besideExecutable).isDir())
            return SystemTools(besideExecutable);
    }
    return SystemTools(QStringLiteral(BRISVALE_BUILD_SIM_ROOT));
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
