// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "CommandResult.h"
#include "SystemServices.h"
#include "SystemTools.h"

#include <QFuture>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// The only path by which Brisvale changes the network configuration: one networksetup command
// line (two, joined by &&, when the DNS servers change with the address), run with
// administrator rights through one AppleScript request, so the system itself asks for the
// password once. Decides nothing and verifies nothing; the callers re-read.
namespace NetworkWriter {

// The router sent in place of an empty one when networksetup refuses the empty word.
inline constexpr auto placeholderRouter = "0.0.0.0";

// Runs on the pool right before the privileged request; a result it returns is the change's,
// and nothing is sent.
using Precheck = std::function<std::optional<CommandResult>()>;

QFuture<CommandResult> setManual(const SystemTools &tools, const QString &service,
                                 const QString &ip, const QString &mask, const QString &router,
                                 DnsChange dns = std::nullopt, Precheck precheck = {});
QFuture<CommandResult> setDHCP(const SystemTools &tools, const QString &service,
                               DnsChange dns = std::nullopt, Precheck precheck = {});
QFuture<CommandResult> setServiceEnabled(const SystemTools &tools, const QString &service,
                                         bool enabled, Precheck precheck = {});

// Several services' changes in one privileged request, so the system asks for the password once:
// each networksetup run only once the one before has succeeded.
QFuture<CommandResult> changeServices(const SystemTools &tools, const QList<ServiceChange> &changes,
                                      Precheck precheck = {});
// The networksetup runs of those changes, in order.
QList<QStringList> runsOf(const QList<ServiceChange> &changes, bool placeholderForNoRouter = false);

// The result of a privileged networksetup run on the service of that name, with the cause of its
// failure read from what the programs printed.
CommandResult classified(CommandResult result, const QString &serviceName);

// The AppleScript statement that runs networksetup with these arguments as administrator:
// every word quoted for the shell, the line escaped for an AppleScript string.
QString privilegedScript(const QStringList &networksetupArguments);
// The same for several networksetup runs, each only once the one before has succeeded.
QString privilegedChain(const QList<QStringList> &networksetupRuns);

// Whether a failed -setmanual with this router deserves a second run with the placeholder.
bool needsRouterRetry(const QString &router, const CommandResult &first);

} // namespace NetworkWriter
