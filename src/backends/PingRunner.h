// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "CommandResult.h"
#include "PingOutcome.h"

#include <QFuture>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

// Sends echo requests with the system's ping, optionally bound to one interface, and condenses
// the run into one French line. Every run happens on the blocking pool. The pings Brisvale
// drives differ only in how they are spoken to and how they report, which their dialect says:
// their runs end in the same French lines on every system.
namespace PingRunner {

struct Dialect {
    // The option that binds the requests to a device.
    QString bindOption;
    // What one unit of the reply wait's option counts, in milliseconds.
    int waitUnitMs = 1;
    // Words, in lowercase, by which a failed bound run says that the binding itself was refused
    // (an interface that is gone, no right to bind) rather than that no reply came.
    QStringList bindingRefusals;
    // The statistics, whose groups are the requests sent, the replies and the loss.
    QRegularExpression statistics;
};

// The Mac's ping, which the simulated machine's stand-in speaks too.
const Dialect &macOS();
// iputils' ping, on Linux.
const Dialect &iputils();

// What ping's statistics say.
struct Summary {
    int transmitted = 0;
    int received = 0;
    double loss = 0;
    std::optional<double> average;

    friend bool operator==(const Summary &, const Summary &) = default;
};

// How long ping waits for each reply, in milliseconds.
inline constexpr int replyWaitMs = 1200;
// Beyond its requests and their waits, what a healthy run may take to start and report.
inline constexpr std::chrono::milliseconds defaultMargin{3000};

// An empty device means no binding. When the bound run is refused for the binding itself, it
// is run once more without it, and the outcome says so. A run still going after its count of
// reply waits plus the margin is stopped and reported as a failure.
QFuture<PingOutcome> send(const Dialect &dialect, const QString &program, const QString &address,
                          const QString &device, int count,
                          std::chrono::milliseconds margin = defaultMargin);

// The ping of the running system when nothing else provides one: the first on the PATH or in
// the usual folders, else the usual path, whose launch then fails with the reason.
QString systemProgram();

// The arguments of one run, in ping's order.
QStringList arguments(const Dialect &dialect, const QString &address, const QString &device,
                      int count);
std::optional<Summary> parse(const Dialect &dialect, const QString &output);
// The outcome of the run that was kept.
PingOutcome summarize(const Dialect &dialect, const CommandResult &kept);

} // namespace PingRunner
