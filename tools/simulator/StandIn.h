// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "SimulatedMachine.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <cstdio>
#include <optional>

// What every stand-in does first and the way each one speaks. Plain main() without an
// application object, for a fast start: the reader runs ifconfig once per service on every
// refresh, and the card test runs ping twice per click.
namespace StandIn {

// A stand-in speaks only through the texts it prints itself, like the program it replaces:
// Qt's own diagnostics would land in the caller's error text. Returns the command line as text
// (Qt reads a Unix argv as UTF-8).
inline QStringList start(int argc, char **argv)
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

inline void print(FILE *stream, const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

inline void print(FILE *stream, const QString &text)
{
    print(stream, text.toUtf8());
}

// The machine file named by BRISVALE_SIMULATION; empty once the problem has been printed on
// standard error after prefix ("ping: "). purpose ends the sentence: "no simulated machine to
// read".
inline QString machinePath(const QString &prefix, const QString &purpose)
{
    const QString path = qEnvironmentVariable(SimulatedMachine::environmentVariable);
    if (path.isEmpty())
        print(stderr,
              QStringLiteral("%1%2 is not set: no simulated machine to %3\n")
                  .arg(prefix, QLatin1String(SimulatedMachine::environmentVariable), purpose));
    return path;
}

// The machine itself, read and checked; nullopt once the problem has been printed.
inline std::optional<SimulatedMachine> loadMachine(const QString &prefix, const QString &purpose)
{
    const QString path = machinePath(prefix, purpose);
    if (path.isEmpty())
        return std::nullopt;
    QString problem;
    std::optional<SimulatedMachine> machine = SimulatedMachine::load(path, &problem);
    if (!machine)
        print(stderr, prefix + problem + u'\n');
    return machine;
}

} // namespace StandIn
