// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "IputilsPing.h"

#include "BlockingPool.h"
#include "Shell.h"

#include <QRegularExpression>
#include <QStandardPaths>
#include <QtConcurrent/QtConcurrentRun>

namespace {

// "4 packets transmitted, 3 received, +1 errors, 25% packet loss, time 3004ms": duplicates,
// corrupted replies and errors are counted between the replies and the loss.
const QString statisticsPattern = QStringLiteral("([0-9]+) packets transmitted, ([0-9]+) received,"
                                                 "(?: \\+[0-9]+ [a-z]+,)* ([0-9.,]+)% packet loss");

} // namespace

QString IputilsPing::program()
{
    QString found = QStandardPaths::findExecutable(QStringLiteral("ping"));
    if (found.isEmpty())
        found = QStandardPaths::findExecutable(
            QStringLiteral("ping"), {QStringLiteral("/usr/bin"), QStringLiteral("/bin"),
                                     QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
    return found.isEmpty() ? QStringLiteral("/usr/bin/ping") : found;
}

QStringList IputilsPing::arguments(const QString &address, const QString &device, int count)
{
    // The same wait as on the Mac, in the seconds this ping counts in.
    QStringList arguments{QStringLiteral("-n"), QStringLiteral("-c"), QString::number(count),
                          QStringLiteral("-W"),
                          QString::number(PingRunner::replyWaitMs / 1000.0, 'f', 1)};
    if (!device.isEmpty())
        arguments << QStringLiteral("-I") << device;
    arguments << address;
    return arguments;
}

bool IputilsPing::needsUnboundRetry(const QString &device, const CommandResult &bound)
{
    // A reply that never came is no reason: only a refusal of the binding is. "so_bindtodevice"
    // covers both an interface that does not exist and one this user may not bind to.
    static const QStringList markers = {
        QStringLiteral("usage:"),
        QStringLiteral("invalid option"),
        QStringLiteral("so_bindtodevice"),
        QStringLiteral("unknown iface"),
        QStringLiteral("permission denied"),
        QStringLiteral("operation not permitted"),
        QStringLiteral("bind:"),
    };
    return PingRunner::bindingRefused(device, bound, markers);
}

QFuture<PingOutcome> IputilsPing::send(const QString &program, const QString &address,
                                       const QString &device, int count)
{
    return QtConcurrent::run(BlockingPool::instance(), [program, address, device, count] {
        // The same limits and the same account of a retry as on the Mac.
        const std::chrono::milliseconds limit =
            PingRunner::timeLimit(count, PingRunner::defaultMargin);
        CommandResult kept = Shell::run(program, arguments(address, device, count), limit);
        const bool retried = needsUnboundRetry(device, kept);
        if (retried)
            kept = Shell::run(program, arguments(address, QString(), count), limit);
        if (kept.timedOut)
            return PingRunner::timedOut(kept, limit);
        PingOutcome outcome = summarize(kept);
        if (retried)
            PingRunner::noteUnbound(outcome, device);
        return outcome;
    });
}

std::optional<PingRunner::Summary> IputilsPing::parse(const QString &output)
{
    static const QRegularExpression statistics(statisticsPattern);
    const QRegularExpressionMatch match = statistics.match(output);
    // "rtt min/avg/max/mdev = 0.059/0.095/0.157/0.043 ms", after the statistics.
    return PingRunner::summaryOf(match, output, match.capturedEnd());
}

PingOutcome IputilsPing::summarize(const CommandResult &kept)
{
    if (const std::optional<PingRunner::Summary> summary = parse(kept.output))
        return {.success = summary->received > 0,
                .detail = PingRunner::describe(*summary),
                .raw = kept.output};
    // Without statistics the run says nothing this dialect has of its own: a launch failure,
    // "connect: Network is unreachable", a success that printed no summary.
    return PingRunner::summarize(kept);
}
