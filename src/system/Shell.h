#pragma once

#include "system/CommandResult.h"

#include <QFuture>
#include <QString>
#include <QStringList>

// Runs one program directly, without a shell in between, and hands back its status and
// both streams. The only place in Brisvale that starts processes.
namespace Shell {

// Blocks until the program has exited; only ever called off the main thread.
CommandResult run(const QString &program, const QStringList &arguments);

// The same run on the blocking pool, for callers on the main thread.
QFuture<CommandResult> runAsync(const QString &program, const QStringList &arguments);

} // namespace Shell
