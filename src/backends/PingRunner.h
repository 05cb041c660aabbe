// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "CommandResult.h"
#include "PingOutcome.h"
#include "SystemTools.h"

#include <QFuture>
#include <QRegularExpressionMatch>
#include <QString>

#include <chrono>
#include <optional>

// Sends echo requests with the system's ping, optionally bound to one interface, and condenses
// the run into one French line. Every run happens on the blocking pool.
namespace PingRunner {

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
QFuture<PingOutcome> send(const SystemTools &tools, const QString &address, const QString &device,
                          int count, std::chrono::milliseconds margin = defaultMargin);

// The time limit of one run of count requests.
std::chrono::milliseconds timeLimit(int count, std::chrono::milliseconds margin);

// The arguments of one run, in ping's order.
QStringList arguments(const QString &address, const QString &device, int count);
// Whether a failed run bound to the device was refused for its binding, as its text (output
// and error) says by naming one of the markers, given in lowercase.
bool bindingRefused(const QString &device, const CommandResult &bound, const QStringList &markers);
// Whether a failed bound run was refused for its binding and deserves an unbound one.
bool needsUnboundRetry(const QString &device, const CommandResult &bound);

std::optional<Summary> parse(const QString &output);
// The summary in a match of a dialect's statistics, whose groups are the requests sent, the
// replies and the loss; the average comes from the first timing line from timingFrom on.
std::optional<Summary> summaryOf(const QRegularExpressionMatch &statistics, const QString &output,
                                 qsizetype timingFrom);
// The French line of a run's statistics ("3 paquets reçus sur 4 · 25,0 % de perte · …").
QString describe(const Summary &summary);
// A run stopped at its time limit.
PingOutcome timedOut(const CommandResult &kept, std::chrono::milliseconds limit);
// Says that the reply, if any, came without binding to that interface.
void noteUnbound(PingOutcome &outcome, const QString &device);
// The outcome of the run that was kept.
PingOutcome summarize(const CommandResult &kept);
// The same for a run retried without binding to the device it should have been bound to.
PingOutcome summarize(const CommandResult &kept, const QString &unboundFrom);
// The last non-blank line of a text, trimmed, or "aucune réponse".
QString lastLine(const QString &text);

} // namespace PingRunner

Q_DECLARE_METATYPE(PingRunner::Summary)
