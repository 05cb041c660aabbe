#include "platform/PlatformServices.h"

#include "adapters/NetworkReader.h"
#include "ping/PingRunner.h"
#include "platform/simulated/SimulatedStore.h"
#if defined(Q_OS_MACOS)
#include "platform/macos/MacConfigurationStore.h"
#endif
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

SystemServices platformServices(ConfigurationStoreFactory stores, const SystemTools &tools)
{
    SystemServices services;
    services.readAdapters = [stores = std::move(stores), tools] {
        return NetworkReader::readAsync(stores, tools);
    };
    // networksetup knows services by name only.
    services.setManual = [tools](ServiceTarget service, QString ip, QString mask, QString router) {
        return NetworkWriter::setManual(tools, service.name, ip, mask, router);
    };
    services.setDHCP = [tools](ServiceTarget service) {
        return NetworkWriter::setDHCP(tools, service.name);
    };
    services.setServiceEnabled = [tools](ServiceTarget service, bool enabled) {
        return NetworkWriter::setServiceEnabled(tools, service.name, enabled);
    };
    services.addressesServicesByName = true;
    services.ping = [tools](QString address, QString device, int count) {
        return PingRunner::send(tools, address, device, count);
    };
    services.wait = &preciseWait;
    return services;
}

SystemServices simulatedServices(const QString &machinePath, const SystemTools &tools)
{
    return platformServices(SimulatedStore::factory(machinePath), tools);
}

Backend chooseBackend(bool realSystemAvailable, bool simulationRequested)
{
    return realSystemAvailable && !simulationRequested ? Backend::realSystem
                                                       : Backend::simulatedMachine;
}

bool realSystemAvailable()
{
#if defined(Q_OS_MACOS)
    return true;
#else
    return false;
#endif
}

SystemServices realSystemServices()
{
#if defined(Q_OS_MACOS)
    return platformServices(MacConfigurationStore::factory(), SystemTools::native());
#else
    // No backend here: a read finds nothing, which the model reports as no adapters.
    return platformServices([] { return std::unique_ptr<ConfigurationStore>(); },
                            SystemTools::native());
#endif
}
