// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace TestSupport {

inline QString simRoot()
{
    return QStringLiteral(BRISVALE_TEST_SIM_ROOT);
}
inline QString demoMachinePath()
{
    return QStringLiteral(BRISVALE_SOURCE_DIR "/assets/demo-machine.json");
}

QString writeMachine(const QTemporaryDir &dir, const QJsonObject &machine,
                     const QString &name = QStringLiteral("machine.json"));
// A copy a test may change freely.
QString copyDemoMachine(const QTemporaryDir &dir);

void writeExecutable(const QString &path, const QByteArray &script);
// Empty when the program never ran.
QStringList loggedLines(const QString &path);

QJsonObject with(QJsonObject object, const QString &key, const QJsonValue &value);

} // namespace TestSupport
