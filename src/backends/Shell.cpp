// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "Shell.h"

#include "BlockingPool.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringDecoder>
#include <QtConcurrent/QtConcurrentRun>

#ifdef Q_OS_UNIX
#include <signal.h>
#include <unistd.h>
#endif

namespace {

// Callers recognise errors by English words and parse English summaries, so every child
// speaks English whatever the user's locale.
QProcessEnvironment childEnvironment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LANG"), QStringLiteral("en_US.UTF-8"));
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("en_US.UTF-8"));
    return environment;
}

// A byte that is not UTF-8 becomes a replacement character and nothing more: one stray byte
// in an interface's description must not hide the status line beside it.
QString decodeStream(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

// Stops the child and whatever it started: a script killed alone would leave its own
// children running, holding the pipes open.
void killAll(QProcess &process)
{
#ifdef Q_OS_UNIX
    const qint64 pid = process.processId();
    if (pid > 0)
        ::kill(-pid_t(pid), SIGKILL);
#endif
    process.kill();
    process.waitForFinished(-1);
}

} // namespace

QString Shell::timeLimitMessage(const QString &program, std::chrono::milliseconds timeLimit)
{
    // One argument list: a path holding "%1" stays as it is.
    return QStringLiteral("%1 did not finish within %2 ms and was stopped.")
        .arg(program, QString::number(timeLimit.count()));
}

CommandResult Shell::run(const QString &program, const QStringList &arguments,
                         std::optional<std::chrono::milliseconds> timeLimit)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setProcessEnvironment(childEnvironment());
    process.setProcessChannelMode(QProcess::SeparateChannels);
    if (timeLimit) {
        // A run that may be killed leads a process group of its own, so that the kill reaches
        // its children too. Away from the terminal's group, it must not read the terminal.
        process.setStandardInputFile(QProcess::nullDevice());
#ifdef Q_OS_UNIX
        process.setChildProcessModifier([] { ::setpgid(0, 0); });
#endif
    } else {
        process.setInputChannelMode(QProcess::ForwardedInputChannel);
    }

    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted(-1))
        return {.status = -1, .output = {}, .error = process.errorString()};

    // QProcess drains both pipes while it waits, so a child that fills its standard error
    // before writing anything else cannot stall.
    if (!process.waitForFinished(timeLimit ? int(timeLimit->count()) : -1)) {
        killAll(process);
        return {.status = -1,
                .output = decodeStream(process.readAllStandardOutput()),
                .error = timeLimitMessage(program, *timeLimit),
                .timedOut = true};
    }

    CommandResult result;
    // After a signal, exitCode() holds the signal number, which is never 0.
    result.status = process.exitCode();
    if (process.exitStatus() == QProcess::CrashExit && result.status == 0)
        result.status = -1;
    result.output = decodeStream(process.readAllStandardOutput());
    result.error = decodeStream(process.readAllStandardError());
    return result;
}

QFuture<CommandResult> Shell::runAsync(const QString &program, const QStringList &arguments,
                                       std::optional<std::chrono::milliseconds> timeLimit)
{
    return QtConcurrent::run(BlockingPool::instance(), [program, arguments, timeLimit] {
        return Shell::run(program, arguments, timeLimit);
    });
}
