#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

// A stand-in speaks only through the texts it prints itself, like the program it replaces:
// Qt's own diagnostics (a lock file's clock skew, say) would land in the caller's error text.
inline void silenceQtDiagnostics()
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
}

// The command line as text; Qt reads a Unix argv as UTF-8.
inline QStringList standInArguments(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}
