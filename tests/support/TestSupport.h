// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Shared by the tests: where things are in the source and build trees, and scratch machines.
namespace TestSupport {

// The stand-in programs of the simulated machine, in the build tree.
inline QString simRoot()
{
    return QStringLiteral(BRISVALE_TEST_SIM_ROOT);
}
// assets/demo-machine.json in the source tree.
inline QString demoMachinePath()
{
    return QStringLiteral(BRISVALE_SOURCE_DIR "/assets/demo-machine.json");
}

// Writes a machine file into dir and returns its path.
QString writeMachine(const QTemporaryDir &dir, const QJsonObject &machine,
                     const QString &name = QStringLiteral("machine.json"));
// Copies the demo machine into dir, so a test may change it freely.
QString copyDemoMachine(const QTemporaryDir &dir);

// A stand-in program for one test: the text is a shell script, made executable.
void writeExecutable(const QString &path, const QByteArray &script);
// The lines a fake program logged, empty when it never ran.
QStringList loggedLines(const QString &path);

// A copy of a JSON object with one key set, or removed when the value is undefined.
QJsonObject with(QJsonObject object, const QString &key, const QJsonValue &value);

} // namespace TestSupport
