#include "platform/simulated/SimulatedServices.h"

#include "adapters/NetworkReader.h"
#include "platform/simulated/SimulatedStore.h"

#include <QCoroTimer>
#include <QFuture>
#include <QTimer>

namespace {

// Where a minimum wait matters a coarse timer may fire a little early; this one does not.
QCoro::Task<> preciseWait(std::chrono::milliseconds delay)
{
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setSingleShot(true);
    timer.start(delay);
    co_await timer;
}

CommandResult notYetAvailable()
{
    return {.status = -1,
            .output = {},
            .error = QStringLiteral("Cette opération n'est pas encore disponible.")};
}

} // namespace

SystemServices simulatedServices(const QString &machinePath, const SystemTools &tools)
{
    SystemServices services;
    services.readAdapters = [machinePath, tools] {
        return NetworkReader::readAsync(SimulatedStore::factory(machinePath), tools);
    };
    services.setManual = [](QString, QString, QString, QString) {
        return QtFuture::makeReadyFuture(notYetAvailable());
    };
    services.setDHCP = [](QString) { return QtFuture::makeReadyFuture(notYetAvailable()); };
    services.setServiceEnabled = [](QString, bool) {
        return QtFuture::makeReadyFuture(notYetAvailable());
    };
    services.ping = [](QString, QString, int) {
        return QtFuture::makeReadyFuture(
            PingOutcome{.success = false,
                        .detail = QStringLiteral("Le ping n'est pas encore disponible."),
                        .raw = {}});
    };
    services.wait = &preciseWait;
    return services;
}
