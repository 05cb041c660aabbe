// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "NetworkWriter.h"

#include "BlockingPool.h"
#include "Shell.h"

#include <QtConcurrent/QtConcurrentRun>

namespace {

const QString networksetupPath = QStringLiteral("/usr/sbin/networksetup");

QString quotedForShell(QString word)
{
    word.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + word + u'\'';
}

QString escapedForAppleScript(QString line)
{
    // Backslashes first, so the ones added before double quotes are not doubled again.
    line.replace(u'\\', QStringLiteral("\\\\"));
    line.replace(u'"', QStringLiteral("\\\""));
    return line;
}

using Runs = QList<QStringList>;

// The DNS servers ride in the same request as the address, after it: one prompt, and a
// refused address leaves them as they were.
Runs withDns(QStringList run, const DnsChange &dns)
{
    Runs runs{std::move(run)};
    if (dns) {
        const QString service = runs.first().value(1);
        runs.append(QStringList{QStringLiteral("-setdnsservers"), service} +
                    (dns->isEmpty() ? QStringList{QStringLiteral("Empty")} : *dns));
    }
    return runs;
}

CommandResult runPrivileged(const SystemTools &tools, const Runs &runs)
{
    // No time limit: the run waits for a person to answer the administrator prompt. The
    // service's name is the second argument of every networksetup change.
    CommandResult result =
        Shell::run(tools.osascript(), {QStringLiteral("-e"), NetworkWriter::privilegedChain(runs)});
    // The cause is read with every service's name blanked out, not only the first one's: in a
    // group, any of them may be echoed.
    CommandResult said = result;
    for (const QStringList &run : runs.mid(1)) {
        if (run.value(1).isEmpty())
            continue;
        said.output.replace(run.value(1), QStringLiteral(" "));
        said.error.replace(run.value(1), QStringLiteral(" "));
    }
    result.cause = NetworkWriter::classified(said, runs.first().value(1)).cause;
    return result;
}

QFuture<CommandResult> runPrivilegedAsync(const SystemTools &tools, const Runs &runs,
                                          NetworkWriter::Precheck precheck)
{
    return QtConcurrent::run(BlockingPool::instance(), [tools, runs, precheck] {
        if (std::optional<CommandResult> refusal = precheck ? precheck() : std::nullopt)
            return *refusal;
        return runPrivileged(tools, runs);
    });
}

} // namespace

QString NetworkWriter::privilegedScript(const QStringList &networksetupArguments)
{
    return privilegedChain(Runs{networksetupArguments});
}

QString NetworkWriter::privilegedChain(const QList<QStringList> &networksetupRuns)
{
    QStringList lines;
    for (const QStringList &arguments : networksetupRuns) {
        QStringList words{quotedForShell(networksetupPath)};
        for (const QString &argument : arguments)
            words.append(quotedForShell(argument));
        lines.append(words.join(u' '));
    }
    return QStringLiteral("do shell script \"") +
           escapedForAppleScript(lines.join(QStringLiteral(" && "))) +
           QStringLiteral("\" with administrator privileges");
}

bool NetworkWriter::needsRouterRetry(const QString &router, const CommandResult &first)
{
    if (first.status == 0 || !router.isEmpty())
        return false;
    static const QStringList markers = {
        QStringLiteral("parameter"), QStringLiteral("usage"),   QStringLiteral("invalid"),
        QStringLiteral("router"),    QStringLiteral("gateway"), QStringLiteral("empty"),
    };
    const QString low = first.combined().toLower();
    return std::any_of(markers.cbegin(), markers.cend(),
                       [&low](const QString &marker) { return low.contains(marker); });
}

QFuture<CommandResult> NetworkWriter::setManual(const SystemTools &tools, const QString &service,
                                                const QString &ip, const QString &mask,
                                                const QString &router, DnsChange dns,
                                                Precheck precheck)
{
    // Both runs happen in one pool task: the retry depends on the first run alone. It sends
    // the DNS servers again, since the refused address stopped the line before them.
    return QtConcurrent::run(
        BlockingPool::instance(), [tools, service, ip, mask, router, dns, precheck] {
            if (std::optional<CommandResult> refusal = precheck ? precheck() : std::nullopt)
                return *refusal;
            const auto runs = [&](const QString &sentRouter) {
                return withDns({QStringLiteral("-setmanual"), service, ip, mask, sentRouter}, dns);
            };
            const CommandResult first = runPrivileged(tools, runs(router));
            if (!needsRouterRetry(router, first))
                return first;
            return runPrivileged(tools, runs(QString::fromLatin1(placeholderRouter)));
        });
}

QFuture<CommandResult> NetworkWriter::setDHCP(const SystemTools &tools, const QString &service,
                                              DnsChange dns, Precheck precheck)
{
    return runPrivilegedAsync(tools, withDns({QStringLiteral("-setdhcp"), service}, dns),
                              std::move(precheck));
}

QFuture<CommandResult> NetworkWriter::setServiceEnabled(const SystemTools &tools,
                                                        const QString &service, bool enabled,
                                                        Precheck precheck)
{
    return runPrivilegedAsync(tools,
                              Runs{{QStringLiteral("-setnetworkserviceenabled"), service,
                                    enabled ? QStringLiteral("on") : QStringLiteral("off")}},
                              std::move(precheck));
}

QList<QStringList> NetworkWriter::runsOf(const QList<ServiceChange> &changes,
                                         bool placeholderForNoRouter)
{
    Runs runs;
    const auto switching = [](const QString &service, bool on) {
        return QStringList{QStringLiteral("-setnetworkserviceenabled"), service,
                           on ? QStringLiteral("on") : QStringLiteral("off")};
    };
    for (const ServiceChange &change : changes) {
        const QString &service = change.target.name;
        if (change.enable == true)
            runs.append(switching(service, true));
        if (const std::optional<Addressing> &to = change.addressing) {
            const QString router = to->router.isEmpty() && placeholderForNoRouter
                                       ? QString::fromLatin1(placeholderRouter)
                                       : to->router;
            runs += withDns(to->dhcp ? QStringList{QStringLiteral("-setdhcp"), service}
                                     : QStringList{QStringLiteral("-setmanual"), service, to->ip,
                                                   to->mask, router},
                            to->dns);
        }
        if (change.enable == false)
            runs.append(switching(service, false));
    }
    return runs;
}

QFuture<CommandResult> NetworkWriter::changeServices(const SystemTools &tools,
                                                     const QList<ServiceChange> &changes,
                                                     Precheck precheck)
{
    return QtConcurrent::run(BlockingPool::instance(), [tools, changes, precheck] {
        if (std::optional<CommandResult> refusal = precheck ? precheck() : std::nullopt)
            return *refusal;
        // As for one service, a refused empty router is sent again as the placeholder; the runs
        // that had succeeded before it are sent again too, and change nothing more.
        const CommandResult first = runPrivileged(tools, runsOf(changes));
        const bool noRouter = std::any_of(changes.cbegin(), changes.cend(), [](const auto &c) {
            return c.addressing && !c.addressing->dhcp && c.addressing->router.isEmpty();
        });
        if (!noRouter || !needsRouterRetry(QString(), first))
            return first;
        return runPrivileged(tools, runsOf(changes, true));
    });
}

CommandResult NetworkWriter::classified(CommandResult result, const QString &serviceName)
{
    if (result.status == 0)
        return result;
    // The markers are looked for in what the program said about the failure, never in a
    // service name it echoes: "Cancel Lab" or "VLAN-128" is no cancellation.
    QString said = result.error.trimmed().isEmpty() ? result.output : result.error;
    if (!serviceName.isEmpty())
        said.replace(serviceName, QStringLiteral(" "));
    const QString low = said.toLower();
    auto containsAny = [&low](std::initializer_list<const char *> fragments) {
        return std::any_of(fragments.begin(), fragments.end(), [&low](const char *fragment) {
            return low.contains(QString::fromUtf8(fragment));
        });
    };
    if (containsAny({"cancel", "annul", "-128"}))
        result.cause = ChangeCause::cancelled;
    // A wrong administrator password is a refusal like the others, not a foreign text.
    else if (containsAny({"not authorized", "authorization", "must be root",
                          "administrator privileges", "password was incorrect", "-60007"}))
        result.cause = ChangeCause::refused;
    else
        result.cause = ChangeCause::failed;
    return result;
}
