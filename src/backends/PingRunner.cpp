// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "PingRunner.h"

#include "BlockingPool.h"
#include "Shell.h"

#include <QStandardPaths>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cstdio>

namespace {

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

std::chrono::milliseconds timeLimit(int count, std::chrono::milliseconds margin)
{
    return std::chrono::milliseconds(qint64(std::max(count, 1)) * PingRunner::replyWaitMs) + margin;
}

// A failed run may only be retried unbound for the binding itself: a reply that never came is
// no reason. Its text (output and error) says so by naming one of the dialect's refusals.
bool bindingRefused(const PingRunner::Dialect &dialect, const QString &device,
                    const CommandResult &bound)
{
    if (bound.status == 0 || device.isEmpty())
        return false;
    const QString low = (bound.output + bound.error).toLower();
    return std::any_of(dialect.bindingRefusals.cbegin(), dialect.bindingRefusals.cend(),
                       [&low](const QString &refusal) { return low.contains(refusal); });
}

// The French line of a run's statistics ("3 paquets reçus sur 4 · 25,0 % de perte · …").
QString describe(const PingRunner::Summary &summary)
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

// The last non-blank line of a text, trimmed, or "aucune réponse".
QString lastLine(const QString &text)
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

// What every ping says when it is refused an option or the right to bind, and a dialect's own.
QStringList refusals(const QStringList &own)
{
    return QStringList{QStringLiteral("usage:"), QStringLiteral("invalid option"),
                       QStringLiteral("permission denied"),
                       QStringLiteral("operation not permitted"), QStringLiteral("bind:")} +
           own;
}

} // namespace

const PingRunner::Dialect &PingRunner::macOS()
{
    static const Dialect dialect{
        .bindOption = QStringLiteral("-b"),
        .waitUnitMs = 1,
        .bindingRefusals = refusals({QStringLiteral("illegal option")}),
        .statistics = QRegularExpression(
            QStringLiteral("([0-9]+) packets transmitted, ([0-9]+) packets received, "
                           "([0-9.,]+)% packet loss")),
    };
    return dialect;
}

const PingRunner::Dialect &PingRunner::iputils()
{
    static const Dialect dialect{
        .bindOption = QStringLiteral("-I"),
        .waitUnitMs = 1000,
        // "so_bindtodevice" covers both an interface that does not exist and one this user may
        // not bind to.
        .bindingRefusals =
            refusals({QStringLiteral("so_bindtodevice"), QStringLiteral("unknown iface")}),
        // "4 packets transmitted, 3 received, +1 errors, 25% packet loss, time 3004ms":
        // duplicates, corrupted replies and errors are counted between the replies and the loss.
        .statistics =
            QRegularExpression(QStringLiteral("([0-9]+) packets transmitted, ([0-9]+) received,"
                                              "(?: \\+[0-9]+ [a-z]+,)* ([0-9.,]+)% packet loss")),
    };
    return dialect;
}

QString PingRunner::systemProgram()
{
    QString found = QStandardPaths::findExecutable(QStringLiteral("ping"));
    if (found.isEmpty())
        found = QStandardPaths::findExecutable(
            QStringLiteral("ping"), {QStringLiteral("/usr/bin"), QStringLiteral("/bin"),
                                     QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
    return found.isEmpty() ? QStringLiteral("/usr/bin/ping") : found;
}

QStringList PingRunner::arguments(const Dialect &dialect, const QString &address,
                                  const QString &device, int count)
{
    // The same wait everywhere, in the unit this ping counts in.
    QStringList arguments{QStringLiteral("-n"), QStringLiteral("-c"), QString::number(count),
                          QStringLiteral("-W"),
                          QString::number(double(replyWaitMs) / dialect.waitUnitMs)};
    if (!device.isEmpty())
        arguments << dialect.bindOption << device;
    arguments << address;
    return arguments;
}

QFuture<PingOutcome> PingRunner::send(const Dialect &dialect, const QString &program,
                                      const QString &address, const QString &device, int count,
                                      std::chrono::milliseconds margin)
{
    return QtConcurrent::run(BlockingPool::instance(), [dialect, program, address, device, count,
                                                        margin] {
        const std::chrono::milliseconds limit = timeLimit(count, margin);
        CommandResult kept = Shell::run(program, arguments(dialect, address, device, count), limit);
        const bool retried = bindingRefused(dialect, device, kept);
        if (retried)
            kept = Shell::run(program, arguments(dialect, address, QString(), count), limit);
        if (kept.timedOut)
            return PingOutcome{
                .success = false,
                .detail =
                    QStringLiteral("délai dépassé : ping arrêté après %1 ms").arg(limit.count()),
                .raw = kept.combined()};
        PingOutcome outcome = summarize(dialect, kept);
        // The reply, if any, did not necessarily come through that interface.
        if (retried)
            outcome.detail += QStringLiteral(" · sans liaison à l'interface ") + device;
        return outcome;
    });
}

std::optional<PingRunner::Summary> PingRunner::parse(const Dialect &dialect, const QString &output)
{
    static const QRegularExpression timing(QStringLiteral("= ([0-9.,]+)/([0-9.,]+)/([0-9.,]+)"));

    const QRegularExpressionMatch match = dialect.statistics.match(output);
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
    // "round-trip min/avg/max/stddev = …" or "rtt min/avg/max/mdev = …", after the statistics.
    const QRegularExpressionMatch times = timing.match(output, match.capturedEnd());
    if (times.hasMatch())
        summary.average = readDouble(times.captured(2));
    return summary;
}

PingOutcome PingRunner::summarize(const Dialect &dialect, const CommandResult &kept)
{
    if (const std::optional<Summary> summary = parse(dialect, kept.output))
        return {.success = summary->received > 0, .detail = describe(*summary), .raw = kept.output};
    // Without statistics the run says what went wrong in its last line: a launch failure,
    // "connect: Network is unreachable"; or it succeeded without a summary.
    if (kept.status == 0)
        return {.success = true, .detail = QStringLiteral("réponse reçue"), .raw = kept.output};
    const QString combined = kept.combined();
    if (combined.isEmpty())
        return {.success = false, .detail = QStringLiteral("aucune réponse"), .raw = {}};
    return {.success = false, .detail = lastLine(combined).toLower(), .raw = combined};
}
