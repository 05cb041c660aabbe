#include "system/Shell.h"

#include "system/BlockingPool.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringDecoder>
#include <QtConcurrent/QtConcurrentRun>

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

// A stream that is not valid UTF-8 as a whole becomes empty rather than half-decoded.
QString decodeStream(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return {};
    return text;
}

} // namespace

CommandResult Shell::run(const QString &program, const QStringList &arguments,
                         std::optional<std::chrono::milliseconds> timeLimit)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setProcessEnvironment(childEnvironment());
    process.setInputChannelMode(QProcess::ForwardedInputChannel);
    process.setProcessChannelMode(QProcess::SeparateChannels);

    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted(-1))
        return {.status = -1, .output = {}, .error = process.errorString()};

    // QProcess drains both pipes while it waits, so a child that fills its standard error
    // before writing anything else cannot stall.
    if (!process.waitForFinished(timeLimit ? int(timeLimit->count()) : -1)) {
        process.kill();
        process.waitForFinished(-1);
        return {.status = -1,
                .output = decodeStream(process.readAllStandardOutput()),
                .error = QStringLiteral("%1 did not finish within %2 ms and was stopped.")
                             .arg(program)
                             .arg(timeLimit->count())};
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

QFuture<CommandResult> Shell::runAsync(const QString &program, const QStringList &arguments)
{
    return QtConcurrent::run(BlockingPool::instance(),
                             [program, arguments] { return Shell::run(program, arguments); });
}
