// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "CommandResult.h"

#include <QFuture>
#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

// Runs one program directly, without a shell in between, and hands back its status and
// both streams. The only place in Brisvale that starts processes.
namespace Shell {

// Blocks until the program has exited; only ever called off the main thread. With a time
// limit, a program still running when it expires is killed with everything it started, and
// the result is status -1 with an error that says so; without one, the wait has no end, which
// only a run that waits for a person (the administrator prompt) may ask for.
CommandResult run(const QString &program, const QStringList &arguments,
                  std::optional<std::chrono::milliseconds> timeLimit = std::nullopt);

// The same run on the blocking pool, for callers on the main thread.
QFuture<CommandResult> runAsync(const QString &program, const QStringList &arguments,
                                std::optional<std::chrono::milliseconds> timeLimit);

// The error of a run stopped at its time limit.
QString timeLimitMessage(const QString &program, std::chrono::milliseconds timeLimit);

} // namespace Shell
