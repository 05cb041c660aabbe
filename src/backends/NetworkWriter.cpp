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

QStringList osascriptArguments(const QStringList &networksetupArguments)
{
    return {QStringLiteral("-e"), NetworkWriter::privilegedScript(networksetupArguments)};
}

CommandResult runPrivileged(const SystemTools &tools, const QStringList &arguments)
{
    // No time limit: the run waits for a person to answer the administrator prompt. The
    // service's name is the second argument of every networksetup change.
    return NetworkWriter::classified(Shell::run(tools.osascript(), osascriptArguments(arguments)),
                                     arguments.value(1));
}

QFuture<CommandResult> runPrivilegedAsync(const SystemTools &tools, const QStringList &arguments,
                                          NetworkWriter::Precheck precheck)
{
    return QtConcurrent::run(BlockingPool::instance(), [tools, arguments, precheck] {
        if (std::optional<CommandResult> refusal = precheck ? precheck() : std::nullopt)
            return *refusal;
        return runPrivileged(tools, arguments);
    });
}

} // namespace

QString NetworkWriter::privilegedScript(const QStringList &networksetupArguments)
{
    QStringList words{quotedForShell(networksetupPath)};
    for (const QString &argument : networksetupArguments)
        words.append(quotedForShell(argument));
    return QStringLiteral("do shell script \"") + escapedForAppleScript(words.join(u' ')) +
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
                                                const QString &router, Precheck precheck)
{
    // Both runs happen in one pool task: the retry depends on the first run alone.
    return QtConcurrent::run(
        BlockingPool::instance(), [tools, service, ip, mask, router, precheck] {
            if (std::optional<CommandResult> refusal = precheck ? precheck() : std::nullopt)
                return *refusal;
            const CommandResult first =
                runPrivileged(tools, {QStringLiteral("-setmanual"), service, ip, mask, router});
            if (!needsRouterRetry(router, first))
                return first;
            return runPrivileged(tools, {QStringLiteral("-setmanual"), service, ip, mask,
                                         QString::fromLatin1(placeholderRouter)});
        });
}

QFuture<CommandResult> NetworkWriter::setDHCP(const SystemTools &tools, const QString &service,
                                              Precheck precheck)
{
    return runPrivilegedAsync(tools, {QStringLiteral("-setdhcp"), service}, std::move(precheck));
}

QFuture<CommandResult> NetworkWriter::setServiceEnabled(const SystemTools &tools,
                                                        const QString &service, bool enabled,
                                                        Precheck precheck)
{
    return runPrivilegedAsync(tools,
                              {QStringLiteral("-setnetworkserviceenabled"), service,
                               enabled ? QStringLiteral("on") : QStringLiteral("off")},
                              std::move(precheck));
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
