// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>

static void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) < 0)
        qFatal("cannot write %s", qPrintable(path));
}

QString TestSupport::writeMachine(const QTemporaryDir &dir, const QJsonObject &machine,
                                  const QString &name)
{
    writeFile(dir.filePath(name), QJsonDocument(machine).toJson());
    return dir.filePath(name);
}

QString TestSupport::copyDemoMachine(const QTemporaryDir &dir)
{
    const QString path = dir.filePath(QStringLiteral("demo-machine.json"));
    QFile::remove(path);
    if (!QFile::copy(demoMachinePath(), path))
        qFatal("cannot copy the demo machine to %s", qPrintable(path));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    return path;
}

void TestSupport::writeExecutable(const QString &path, const QByteArray &script)
{
    QDir().mkpath(QFileInfo(path).path());
    writeFile(path, script);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QStringList TestSupport::loggedLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

QJsonObject TestSupport::with(QJsonObject object, const QString &key, const QJsonValue &value)
{
    if (value.isUndefined())
        object.remove(key);
    else
        object.insert(key, value);
    return object;
}
