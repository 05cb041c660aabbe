#include "platform/simulated/SimulatedServices.h"

#include "adapters/NetworkReader.h"
#include "ping/PingRunner.h"
#include "platform/simulated/SimulatedStore.h"
#include "system/NetworkWriter.h"

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

} // namespace

SystemServices simulatedServices(const QString &machinePath, const SystemTools &tools)
{
    SystemServices services;
    services.readAdapters = [machinePath, tools] {
        return NetworkReader::readAsync(SimulatedStore::factory(machinePath), tools);
    };
    services.setManual = [tools](QString service, QString ip, QString mask, QString router) {
        return NetworkWriter::setManual(tools, service, ip, mask, router);
    };
    services.setDHCP = [tools](QString service) { return NetworkWriter::setDHCP(tools, service); };
    services.setServiceEnabled = [tools](QString service, bool enabled) {
        return NetworkWriter::setServiceEnabled(tools, service, enabled);
    };
    services.ping = [tools](QString address, QString device, int count) {
        return PingRunner::send(tools, address, device, count);
    };
    services.wait = &preciseWait;
    return services;
}
