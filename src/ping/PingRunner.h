#pragma once

#include "ping/PingOutcome.h"
#include "system/CommandResult.h"
#include "system/SystemTools.h"

#include <QFuture>
#include <QString>

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

// An empty device means no binding. When the bound run is refused for the binding itself, it
// is run once more without it.
QFuture<PingOutcome> send(const SystemTools &tools, const QString &address, const QString &device,
                          int count);

// The arguments of one run, in ping's order.
QStringList arguments(const QString &address, const QString &device, int count);
// Whether a failed bound run was refused for its binding and deserves an unbound one.
bool needsUnboundRetry(const QString &device, const CommandResult &bound);

std::optional<Summary> parse(const QString &output);
// The outcome of the run that was kept.
PingOutcome summarize(const CommandResult &kept);
// The last non-blank line of a text, trimmed, or "aucune réponse".
QString lastLine(const QString &text);

} // namespace PingRunner

Q_DECLARE_METATYPE(PingRunner::Summary)
