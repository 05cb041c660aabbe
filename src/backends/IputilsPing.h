// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "CommandResult.h"
#include "PingOutcome.h"
#include "PingRunner.h"

#include <QFuture>
#include <QString>
#include <QStringList>

#include <optional>

// Ping on Linux: iputils' ping speaks its own dialect (the source interface with -I, the reply
// wait in seconds, "N received" in its statistics) but its runs end in the same French lines
// as on the Mac.
namespace IputilsPing {

// The program of the running system: the first ping on the PATH or in the usual folders, else
// the usual path, whose launch then fails with the reason.
QString program();

// An empty device means no binding. When the bound run is refused for the binding itself (an
// interface that is gone, no right to bind), it is run once more without it.
QFuture<PingOutcome> send(const QString &program, const QString &address, const QString &device,
                          int count);

QStringList arguments(const QString &address, const QString &device, int count);
bool needsUnboundRetry(const QString &device, const CommandResult &bound);

std::optional<PingRunner::Summary> parse(const QString &output);
PingOutcome summarize(const CommandResult &kept);

} // namespace IputilsPing
