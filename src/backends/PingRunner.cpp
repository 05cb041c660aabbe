// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "PingRunner.h"

#include "BlockingPool.h"
#include "Shell.h"

#include <QRegularExpression>
#include <QtConcurrent/QtConcurrentRun>

#include <cstdio>

namespace {

const QString statisticsPattern = QStringLiteral(
    "([0-9]+) packets transmitted, ([0-9]+) packets received, ([0-9.,]+)% packet loss");
const QString timingPattern = QStringLiteral("= ([0-9.,]+)/([0-9.,]+)/([0-9.,]+)");

// As strtod in the C locale over the whole text: nothing may be left over, and a leading blank
// or an empty text does not read. QString's reading never follows the user's locale, which
// the application object installs for the C library too.
std::optional<double> readDouble(QString text)
{
    text.replace(u',', u'.');
    if (text.isEmpty() || text.front().isSpace())
        return std::nullopt;
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok ? std::optional(value) : std::nullopt;
}

std::optional<int> readInteger(const QString &text)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    return ok ? std::optional(value) : std::nullopt;
}

// One decimal, as the C library's %.1f writes it (it rounds the binary value, so 0.25 gives
// 0.2, where Qt's own formatting would give 0.3), with a comma.
QString oneDecimal(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.1f", value);
    return QString::fromLatin1(text).replace(u'.', u',');
}

} // namespace

QStringList PingRunner::arguments(const QString &address, const QString &device, int count)
{
    QStringList arguments{QStringLiteral("-n"), QStringLiteral("-c"), QString::number(count),
                          QStringLiteral("-W"), QString::number(replyWaitMs)};
    if (!device.isEmpty())
        arguments << QStringLiteral("-b") << device;
    arguments << address;
    return arguments;
}

bool PingRunner::bindingRefused(const QString &device, const CommandResult &bound,
                                const QStringList &markers)
{
    if (bound.status == 0 || device.isEmpty())
        return false;
    const QString low = (bound.output + bound.error).toLower();
    return std::any_of(markers.cbegin(), markers.cend(),
                       [&low](const QString &marker) { return low.contains(marker); });
}

bool PingRunner::needsUnboundRetry(const QString &device, const CommandResult &bound)
{
    static const QStringList markers = {
        QStringLiteral("usage:"),
        QStringLiteral("illegal option"),
        QStringLiteral("invalid option"),
        QStringLiteral("permission denied"),
        QStringLiteral("operation not permitted"),
        QStringLiteral("bind:"),
    };
    return bindingRefused(device, bound, markers);
}

std::chrono::milliseconds PingRunner::timeLimit(int count, std::chrono::milliseconds margin)
{
    return std::chrono::milliseconds(qint64(std::max(count, 1)) * replyWaitMs) + margin;
}

QFuture<PingOutcome> PingRunner::send(const SystemTools &tools, const QString &address,
                                      const QString &device, int count,
                                      std::chrono::milliseconds margin)
{
    return QtConcurrent::run(BlockingPool::instance(), [tools, address, device, count, margin] {
        const std::chrono::milliseconds limit = timeLimit(count, margin);
        CommandResult kept = Shell::run(tools.ping(), arguments(address, device, count), limit);
        const bool retried = needsUnboundRetry(device, kept);
        if (retried)
            kept = Shell::run(tools.ping(), arguments(address, QString(), count), limit);
        if (kept.timedOut)
            return timedOut(kept, limit);
        return retried ? summarize(kept, device) : summarize(kept);
    });
}

std::optional<PingRunner::Summary> PingRunner::parse(const QString &output)
{
    static const QRegularExpression statistics(statisticsPattern);
    return summaryOf(statistics.match(output), output, 0);
}

std::optional<PingRunner::Summary> PingRunner::summaryOf(const QRegularExpressionMatch &match,
                                                         const QString &output,
                                                         qsizetype timingFrom)
{
    static const QRegularExpression timing(timingPattern);

    if (!match.hasMatch())
        return std::nullopt;
    const std::optional<int> transmitted = readInteger(match.captured(1));
    const std::optional<int> received = readInteger(match.captured(2));
    // More replies than requests is no summary a ping writes: the output is garbage.
    if (!transmitted || !received || *received > *transmitted)
        return std::nullopt;

    Summary summary;
    summary.transmitted = *transmitted;
    summary.received = *received;
    summary.loss = readDouble(match.captured(3)).value_or(0);
    const QRegularExpressionMatch times = timing.match(output, timingFrom);
    if (times.hasMatch())
        summary.average = readDouble(times.captured(2));
    return summary;
}

PingOutcome PingRunner::summarize(const CommandResult &kept, const QString &unboundFrom)
{
    PingOutcome outcome = summarize(kept);
    noteUnbound(outcome, unboundFrom);
    return outcome;
}

void PingRunner::noteUnbound(PingOutcome &outcome, const QString &device)
{
    // The reply, if any, did not necessarily come through that interface.
    if (!device.isEmpty())
        outcome.detail += QStringLiteral(" · sans liaison à l'interface ") + device;
}

PingOutcome PingRunner::timedOut(const CommandResult &kept, std::chrono::milliseconds limit)
{
    return {.success = false,
            .detail = QStringLiteral("délai dépassé : ping arrêté après %1 ms").arg(limit.count()),
            .raw = kept.combined()};
}

QString PingRunner::describe(const Summary &summary)
{
    QStringList parts;
    parts << (summary.received < 2 ? QStringLiteral("%1 paquet reçu sur %2")
                                   : QStringLiteral("%1 paquets reçus sur %2"))
                 .arg(summary.received)
                 .arg(summary.transmitted);
    parts << oneDecimal(summary.loss) + QStringLiteral(" % de perte");
    if (summary.average)
        parts << oneDecimal(*summary.average) + QStringLiteral(" ms en moyenne");
    return parts.join(QStringLiteral(" · "));
}

PingOutcome PingRunner::summarize(const CommandResult &kept)
{
    if (const std::optional<Summary> summary = parse(kept.output))
        return {.success = summary->received > 0, .detail = describe(*summary), .raw = kept.output};
    if (kept.status == 0)
        return {.success = true, .detail = QStringLiteral("réponse reçue"), .raw = kept.output};
    const QString combined = kept.combined();
    if (combined.isEmpty())
        return {.success = false, .detail = QStringLiteral("aucune réponse"), .raw = {}};
    return {.success = false, .detail = lastLine(combined).toLower(), .raw = combined};
}

QString PingRunner::lastLine(const QString &text)
{
    static const QRegularExpression lineBreaks(QStringLiteral("[\\n\\r]"));
    QString last;
    for (const QString &piece : text.split(lineBreaks, Qt::SkipEmptyParts)) {
        // Only spaces and tabs are blanks here.
        qsizetype begin = 0;
        qsizetype end = piece.size();
        while (begin < end && (piece[begin] == u' ' || piece[begin] == u'\t'))
            ++begin;
        while (end > begin && (piece[end - 1] == u' ' || piece[end - 1] == u'\t'))
            --end;
        if (end > begin)
            last = piece.mid(begin, end - begin);
    }
    return last.isEmpty() ? QStringLiteral("aucune réponse") : last;
}
